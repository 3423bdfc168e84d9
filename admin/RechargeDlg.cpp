#include "admin/RechargeDlg.h"

#include "skin/WindowSkin.h"

CRechargeDlg::CRechargeDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("rechargePage"));
    WindowSkin::stylePage(this);
}
