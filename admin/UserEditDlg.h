#pragma once

#include "app/PageContext.h"

#include <QWidget>

// Page of the admin panel; created once, hidden, and shown by the panel's tab.
class CUserEditDlg : public QWidget
{
    Q_OBJECT
public:
    CUserEditDlg(const PageContext& context, QWidget* parent);

private:
    PageContext m_context;
};
