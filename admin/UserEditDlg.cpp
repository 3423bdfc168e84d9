#include "admin/UserEditDlg.h"

#include "skin/WindowSkin.h"

CUserEditDlg::CUserEditDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("userEditPage"));
    WindowSkin::stylePage(this);
}
