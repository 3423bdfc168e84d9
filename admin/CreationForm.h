#pragma once

#include "admin/AccountValidation.h"
#include "widgets/Controls.h"

class QLineEdit;

// The seven edits a new account is made from, as the registration page and the staff's add
// group both ask for them.
class CreationForm
{
public:
    // Lays the labelled edits down the column, named prefix + "LoginName", "Password", ...;
    // returns the y just below the last row. Passwords are masked.
    double build(QWidget* parent, const QString& prefix, const Controls::FieldColumn& column);
    AccountValidation::CreationFields fields() const;

private:
    QLineEdit* m_loginName = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_repeat = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_address = nullptr;
};
