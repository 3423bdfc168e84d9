#pragma once

#include <QWidget>

class QPlainTextEdit;

// Page for typing or pasting numbers, one per line; hands them to the main window only when
// every line passes the number rule.
class CManualEntryDlg : public QWidget
{
    Q_OBJECT
public:
    explicit CManualEntryDlg(QWidget* parent);

signals:
    // The checked text with CR LF line ends, for the main window to add to its list.
    void WM_ADD_MANUAL_NUMBERS(const QString& manualEntryText);

private:
    void checkDigits();
    void addNumbers();

    QPlainTextEdit* m_editor = nullptr;
};
