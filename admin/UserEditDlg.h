#pragma once

#include "admin/CreationForm.h"
#include "widgets/PageContext.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

// Tab "添加帐号": on the left staff create an account of a chosen type, on the right they
// change the password, nickname and company of an account whose password they know.
class CUserEditDlg : public QWidget
{
    Q_OBJECT
public:
    CUserEditDlg(const PageContext& context, QWidget* parent);

    // Agents and VIP users may only create VIP accounts; administrators registered users and
    // agents. Follows the logged-in account, which is known only after the login.
    void applyRights();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildAddGroup();
    void buildModifyGroup();
    void addAccount();
    void modifyAccount();

    PageContext m_context;
    CreationForm m_add;
    QComboBox* m_rights = nullptr;
    QLineEdit* m_modifyName = nullptr;
    QLineEdit* m_modifyPassword = nullptr;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_newRepeat = nullptr;
    QLineEdit* m_newNickname = nullptr;
    QLineEdit* m_newCompany = nullptr;
};
