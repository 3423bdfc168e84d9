#include "records/QueryDlg.h"

#include "skin/WindowSkin.h"

CQueryDlg::CQueryDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("queryPage"));
    WindowSkin::stylePage(this);
}
