#include "app/ProfileDlg.h"

#include "admin/AccountProcedures.h"
#include "admin/PageTools.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CProfileDlg::CProfileDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("profilePage"));
    WindowSkin::stylePage(this);
    struct Field
    {
        const char* name;
        const char* label;
        bool masked;
        double x, y;
        QLineEdit** edit;
    };
    QLineEdit* telephone = nullptr;
    QLineEdit* address = nullptr;
    const Field fields[] = {{"profileLoginName", "原用户名：", false, 10, 12, &m_loginName},
                            {"profilePassword", "原密码：", true, 10, 32, &m_password},
                            {"profileNewPassword", "修改密码：", true, 10, 52, &m_newPassword},
                            {"profileRepeat", "重复修改密码：", true, 10, 72, &m_repeat},
                            {"profileNickname", "修改昵称：", false, 215, 12, &m_nickname},
                            {"profileCompany", "修改公司：", false, 215, 32, &m_company},
                            {"profileTelephone", "手机号码或电话：", false, 215, 52, &telephone},
                            {"profileAddress", "联系地址或公司地址：", false, 215, 72, &address}};
    for (const Field& field : fields) {
        const QString name = QString::fromLatin1(field.name);
        PageTools::label(this, name + QStringLiteral("Label"), QString::fromUtf8(field.label), field.x,
                         field.y + 1, 84, 10);
        *field.edit = PageTools::edit(this, name, field.x + 86, field.y, 108, 12, field.masked);
    }
    // Telephone and address cannot be changed here; their fields only take notes.
    PageTools::label(this, QStringLiteral("profileHint"),
                     QStringLiteral("昵称或公司,如果不修改默认为空字符！"), 10, 143, 200, 10);
    auto* apply = PageTools::button(this, QStringLiteral("profileApplyButton"), QStringLiteral("点击修改"),
                                    358, 140, 57, 17);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("profilePicture"));
    picture->setPixmap(WindowSkin::profilePicture());
    DialogUnits::place(picture, 0, 153, 423, 185);
    apply->raise();
    connect(apply, &QPushButton::clicked, this, &CProfileDlg::modifyAccount);
}

void CProfileDlg::modifyAccount()
{
    AccountValidation::ChangeFields fields{m_loginName->text(), m_password->text(), m_newPassword->text(),
                                           m_repeat->text(),    m_nickname->text(), m_company->text()};
    AccountProcedures::modifyAccount(m_context.gateway, m_context.session, fields, PageTools::tellOver(this));
}
