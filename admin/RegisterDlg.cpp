#include "admin/RegisterDlg.h"

#include "skin/WindowSkin.h"

#include <QLabel>
#include <QVBoxLayout>

CRegisterDlg::CRegisterDlg(DbGateway& gateway, QWidget* parent) : QWidget(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("registerPage"));
    WindowSkin::stylePage(this);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("注册新用户"), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}
