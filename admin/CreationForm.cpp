#include "admin/CreationForm.h"

#include <QLineEdit>

double CreationForm::build(QWidget* parent, const QString& prefix, const Controls::FieldColumn& column)
{
    return Controls::fields(parent,
                            {{"LoginName", "用户名[英文加数字]：", &m_loginName},
                             {"Password", "密  码[英文加数字]：", &m_password, true},
                             {"Repeat", "密  码[重复填写]：", &m_repeat, true},
                             {"Nickname", "昵  称：[姓名]", &m_nickname},
                             {"Company", "公司名称：", &m_company},
                             {"Telephone", "手机号码或电话：", &m_telephone},
                             {"Address", "联系地址或公司地址：", &m_address}},
                            column, prefix);
}

AccountValidation::CreationFields CreationForm::fields() const
{
    return {m_loginName->text(), m_password->text(),  m_repeat->text(), m_nickname->text(),
            m_company->text(),   m_telephone->text(), m_address->text()};
}
