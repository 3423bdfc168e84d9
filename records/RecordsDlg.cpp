#include "records/RecordsDlg.h"

#include "skin/WindowSkin.h"

#include <QLabel>
#include <QVBoxLayout>

CRecordsDlg::CRecordsDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("recordsPage"));
    WindowSkin::stylePage(this);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("发送记录"), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}
