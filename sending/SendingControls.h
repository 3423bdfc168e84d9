#pragma once

#include <QString>

class CManualEntryDlg;
class NumberListModel;
class QAbstractButton;
class QLabel;
class QListView;
class QPlainTextEdit;
class QWidget;

// The controls of the main window that the sending flow drives, handed to it by the window so
// that neither needs the other's insides.
struct SendingControls
{
    QWidget* window = nullptr; // owner of the flow's message boxes
    QPlainTextEdit* messageEdit = nullptr;
    QListView* numberList = nullptr;
    NumberListModel* numbers = nullptr;
    CManualEntryDlg* manualEntry = nullptr;

    QLabel* charCount = nullptr;
    QLabel* messageCount = nullptr;
    QLabel* numberCount = nullptr;
    QLabel* submitted = nullptr;
    QLabel* failed = nullptr;
    QLabel* sent = nullptr;
    QLabel* balance = nullptr;
    QLabel* successRate = nullptr;

    QAbstractButton* submit = nullptr;
    QAbstractButton* pause = nullptr;
    QAbstractButton* clearText = nullptr;
    QAbstractButton* deleteNumber = nullptr;
    QAbstractButton* clearList = nullptr;
    QAbstractButton* importNumbers = nullptr;
    QAbstractButton* exportNumbers = nullptr;
    QAbstractButton* dedupe = nullptr;

    QString keywordFile;
};
