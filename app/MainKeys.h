#pragma once

#include <QObject>

#include <functional>

class QWidget;

// The keys of the main window, watched program-wide: Escape asks before quitting; Return and
// space never press a button or act on the list, while editors and the hosted pages keep them.
class MainKeys : public QObject
{
    Q_OBJECT
public:
    // hosted tells a page of the window's own; escape asks and quits.
    MainKeys(QWidget* window, std::function<bool(const QWidget*)> hosted, std::function<void()> escape);
    ~MainKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isOwnControl(QObject* watched) const;
    static bool isTextEditor(QObject* watched);

    QWidget* m_window;
    std::function<bool(const QWidget*)> m_hosted;
    std::function<void()> m_escape;
};
