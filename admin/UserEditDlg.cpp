#include "admin/UserEditDlg.h"

#include "admin/AccountProcedures.h"
#include "db/AccountStatements.h"
#include "db/SessionUser.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Label and edit pairs down a group, 16 units apart.
constexpr Controls::FieldColumn kGroupFields{6, 16, 16, 84, 102};

QGroupBox* group(QWidget* page, const QString& name, const QString& title, double x)
{
    return Controls::make<QGroupBox>(page, name, {x, 5, 201, 252}, title);
}

} // namespace

CUserEditDlg::CUserEditDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("userEditPage"));
    WindowSkin::stylePage(this);
    buildAddGroup();
    buildModifyGroup();
    applyRights();
}

void CUserEditDlg::buildAddGroup()
{
    QGroupBox* box = group(this, QStringLiteral("addUserGroup"), QStringLiteral("注册增加用户"), 2);
    // Passwords are masked as at login: staff type them with customers looking on.
    m_add.build(box, QStringLiteral("add"), kGroupFields);
    QLabel* rightsLabel = Controls::label(box, QStringLiteral("addRightsLabel"),
                                          QStringLiteral("选择管理权限："), {6, 129, 84, 10});
    m_rights = Controls::make<QComboBox>(box, QStringLiteral("addRights"), {92, 128, 102, 14});
    rightsLabel->setBuddy(m_rights);
    Controls::label(box, QStringLiteral("addHint"), QStringLiteral("提示:注册后可登陆程序。"),
                    {6, 152, 180, 10});
    auto* add = Controls::button(box, QStringLiteral("addUserButton"), QStringLiteral("注册增加用户"),
                                 {92, 168, 70, 17});
    connect(add, &QPushButton::clicked, this, &CUserEditDlg::addAccount);
}

void CUserEditDlg::buildModifyGroup()
{
    QGroupBox* box = group(this, QStringLiteral("modifyUserGroup"), QStringLiteral("修改用户数据"), 211);
    Controls::fields(box,
                     {{"modifyLoginName", "原用户名：", &m_modifyName},
                      {"modifyPassword", "原密码：", &m_modifyPassword, true},
                      {"modifyNewPassword", "修改密码：", &m_newPassword, true},
                      {"modifyRepeat", "重复修改密码：", &m_newRepeat, true},
                      {"modifyNickname", "修改昵称：", &m_newNickname},
                      {"modifyCompany", "修改公司：", &m_newCompany}},
                     kGroupFields);
    Controls::label(box, QStringLiteral("modifyHint"), QStringLiteral("昵称或公司,如果不修改默认为空字符！"),
                    {6, 116, 190, 10});
    auto* modify = Controls::button(box, QStringLiteral("modifyUserButton"), QStringLiteral("修改用户数据"),
                                    {92, 168, 70, 17});
    connect(modify, &QPushButton::clicked, this, &CUserEditDlg::modifyAccount);
}

void CUserEditDlg::applyRights()
{
    const QStringList choices = m_context.session.restricted
                                    ? QStringList{AccountText::vip}
                                    : QStringList{AccountText::registeredUser, AccountText::agent};
    QStringList shown;
    for (int k = 0; k < m_rights->count(); ++k)
        shown << m_rights->itemText(k);
    if (shown == choices)
        return;
    m_rights->clear();
    m_rights->addItems(choices);
    m_rights->setCurrentIndex(0);
}

void CUserEditDlg::showEvent(QShowEvent* event)
{
    applyRights();
    QWidget::showEvent(event);
}

void CUserEditDlg::addAccount()
{
    AccountProcedures::addAccount(m_context.gateway, m_context.session, m_add.fields(),
                                  m_rights->currentText(), Dialogs::tellOver(this));
}

void CUserEditDlg::modifyAccount()
{
    AccountValidation::ChangeFields fields{m_modifyName->text(),  m_modifyPassword->text(),
                                           m_newPassword->text(), m_newRepeat->text(),
                                           m_newNickname->text(), m_newCompany->text()};
    AccountProcedures::modifyAccount(m_context.gateway, m_context.session, fields, Dialogs::tellOver(this));
}
