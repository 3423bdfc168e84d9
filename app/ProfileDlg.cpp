#include "app/ProfileDlg.h"

#include "admin/AccountProcedures.h"
#include "skin/WindowSkin.h"
#include "widgets/Accessible.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CProfileDlg::CProfileDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("profilePage"));
    WindowSkin::stylePage(this);
    QLineEdit* telephone = nullptr;
    QLineEdit* address = nullptr;
    const Controls::FieldColumn left{10, 12, 20, 84, 108};
    Controls::fields(this,
                     {{"profileLoginName", "原用户名：", &m_loginName},
                      {"profilePassword", "原密码：", &m_password, true},
                      {"profileNewPassword", "修改密码：", &m_newPassword, true},
                      {"profileRepeat", "重复修改密码：", &m_repeat, true}},
                     left);
    Controls::fields(this,
                     {{"profileNickname", "修改昵称：", &m_nickname},
                      {"profileCompany", "修改公司：", &m_company},
                      {"profileTelephone", "手机号码或电话：", &telephone},
                      {"profileAddress", "联系地址或公司地址：", &address}},
                     {215, left.top, left.step, left.labelWidth, left.editWidth});
    // Telephone and address cannot be changed here; their fields only take notes.
    Controls::label(this, QStringLiteral("profileHint"),
                    QStringLiteral("昵称或公司,如果不修改默认为空字符！"), {10, 143, 200, 10});
    auto* apply = Controls::button(this, QStringLiteral("profileApplyButton"), QStringLiteral("点击修改"),
                                   {358, 140, 57, 17});
    auto* picture = Controls::make<QLabel>(this, QStringLiteral("profilePicture"), {0, 153, 423, 185});
    picture->setPixmap(WindowSkin::profilePicture());
    Accessible::bitmapText(picture, ArtTexts::kProfileHeading);
    for (const ArtTexts::Placed& tip : ArtTexts::kProfileTips)
        Accessible::bitmapText(picture, tip);
    apply->raise();
    connect(apply, &QPushButton::clicked, this, &CProfileDlg::modifyAccount);
}

void CProfileDlg::modifyAccount()
{
    AccountValidation::ChangeFields fields{m_loginName->text(), m_password->text(), m_newPassword->text(),
                                           m_repeat->text(),    m_nickname->text(), m_company->text()};
    AccountProcedures::modifyAccount(m_context.gateway, m_context.session, fields, Dialogs::tellOver(this));
}
