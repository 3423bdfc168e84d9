#include "admin/AccountAdminDlg.h"

#include "skin/WindowSkin.h"

CAccountAdminDlg::CAccountAdminDlg(const PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("accountAdminPage"));
    WindowSkin::stylePage(this);
}
