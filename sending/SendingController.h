#pragma once

#include <QObject>

class QWidget;
class SendingState;

// What the user does in the sending flow of the main window: it asks what needs asking (files,
// confirmations), hands the action to the sending state and shows what comes back.
class SendingController : public QObject
{
    Q_OBJECT
public:
    // window owns the flow's message and file dialogs.
    SendingController(SendingState& state, QWidget* window, QObject* parent = nullptr);

    // False when the user chose to keep the window because a run is still writing.
    bool canClose();

    void addManualNumbers(const QString& manualEntryText);
    // A row below zero: the double-click hit no entry.
    void deleteAt(int row);
    void deleteRemembered();
    void clearList();
    void importNumbers();
    void exportNumbers();
    void removeDuplicates();
    void clearText();
    void submit();
    void pause();

signals:
    // Submit and pause bring the composition back in place of any hosted page, so that the
    // running counters are in view.
    void compositionRequested();
    // Whether the pause button stands in place of the submit button.
    void pauseOffered(bool offered);

private:
    void tell(const QString& text);

    SendingState& m_state;
    QWidget* m_window;
};
