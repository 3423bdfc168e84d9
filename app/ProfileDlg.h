#pragma once

#include "widgets/PageContext.h"

#include <QWidget>

class QLineEdit;

// The logged-in customer's own page for password, nickname and company: the same change as
// the staff's modify group, for an account whose name and password the user types. Created
// once, hidden, and shown by the main window's toggle.
class CProfileDlg : public QWidget
{
    Q_OBJECT
public:
    CProfileDlg(const PageContext& context, QWidget* parent);

private:
    void modifyAccount();

    PageContext m_context;
    QLineEdit* m_loginName = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_repeat = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLineEdit* m_company = nullptr;
};
