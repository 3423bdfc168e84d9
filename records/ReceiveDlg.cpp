#include "records/ReceiveDlg.h"

#include "skin/WindowSkin.h"

CReceiveDlg::CReceiveDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("receivePage"));
    WindowSkin::stylePage(this);
}
