#include "app/FirstAdminDlg.h"

#include "db/AccountSetup.h"
#include "widgets/Dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFirstAdminDlg::CFirstAdminDlg(DbGateway& gateway, QWidget* parent) : QDialog(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("firstAdminDialog"));
    setWindowTitle(QStringLiteral("Kavrel - 创建管理员"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("这是一个新的数据库。请先创建第一个管理员帐号,\n"
                                            "之后用它登录并管理其他帐号。"),
                             this);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const auto add = [&](const QString& name, const QString& label, bool secret) {
        auto* field = new QLineEdit(this);
        field->setObjectName(name);
        if (secret)
            field->setEchoMode(QLineEdit::Password);
        form->addRow(label, field);
        return field;
    };
    m_loginName = add(QStringLiteral("adminLoginName"), QStringLiteral("用户名:"), false);
    m_nickname = add(QStringLiteral("adminNickname"), QStringLiteral("昵称:"), false);
    m_company = add(QStringLiteral("adminCompany"), QStringLiteral("公司名称:"), false);
    m_password = add(QStringLiteral("adminPassword"), QStringLiteral("密码:"), true);
    m_repeat = add(QStringLiteral("adminRepeat"), QStringLiteral("重复密码:"), true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("创建"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("createButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("退出"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFirstAdminDlg::create);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CFirstAdminDlg::create()
{
    AccountSetup::Administrator admin{m_loginName->text(), m_password->text(), m_repeat->text(),
                                      m_nickname->text(), m_company->text()};
    const Outcome outcome = AccountSetup::createAdministrator(m_gateway, admin);
    Dialogs::inform(this, outcome.text());
    if (outcome)
        accept();
}
