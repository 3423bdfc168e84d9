#pragma once

#include "app/PageContext.h"

#include <QWidget>

// Child page of its host window; it is created once, hidden, and shown by the host's toggle.
class CRecordsDlg : public QWidget
{
    Q_OBJECT
public:
    CRecordsDlg(const PageContext& context, QWidget* parent);

private:
    PageContext m_context;
};
