#include "app/ProfileDlg.h"

#include "skin/WindowSkin.h"

#include <QLabel>
#include <QVBoxLayout>

CProfileDlg::CProfileDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("profilePage"));
    WindowSkin::stylePage(this);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("修改信息"), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}
