#pragma once

#include "app/PageContext.h"

#include <QWidget>

// Page of the admin panel; created once, hidden, and shown by the panel's tab.
class CQueryDlg : public QWidget
{
    Q_OBJECT
public:
    CQueryDlg(const PageContext& context, QWidget* parent);

private:
    PageContext m_context;
};
