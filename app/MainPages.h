#pragma once

#include <QObject>

#include <array>
#include <functional>

class CManualEntryDlg;
class QFrame;
class QWidget;
struct PageContext;

// The four pages the main window hosts, made once and hidden, each in a holder of its own:
// the large ones in place of the composition, the manual entry page beside it. What is shown
// follows from what is in view, never from a remembered toggle: a remembered toggle goes stale
// when another button or submit puts the page away, and the window is then left with neither a
// page nor the composition.
class MainPages : public QObject
{
    Q_OBJECT
public:
    enum Page
    {
        Records,
        Admin,
        Profile,
        Manual,
        Count
    };

    // showComposition shows or hides the window's composition controls.
    MainPages(QWidget* window, const PageContext& context, std::function<void(bool)> showComposition);

    CManualEntryDlg* manualEntry() const { return m_manualEntry; }
    QFrame* holder(Page page) const { return m_pages[page].holder; }
    // True when widget is one of the pages or inside one.
    bool holds(const QWidget* widget) const;

    // A large page comes into view, or, when it is in view, goes back to the composition.
    void toggle(Page page);
    // The manual entry page comes or goes beside the composition.
    void toggleManual();
    void showComposition();

private:
    struct Hosted
    {
        QFrame* holder = nullptr;
        QWidget* page = nullptr;
    };
    void build(const PageContext& context);
    bool isShown(Page page) const;
    void setVisible(Page page, bool visible);
    void hideHolders(Page except);

    QWidget* m_window;
    std::function<void(bool)> m_showComposition;
    std::array<Hosted, Count> m_pages;
    CManualEntryDlg* m_manualEntry = nullptr;
};
