#include "app/MainPages.h"

#include "admin/AdminPanelDlg.h"
#include "app/PopupDlg.h"
#include "app/ProfileDlg.h"
#include "records/ReceiveDlg.h"
#include "records/RecordsDlg.h"
#include "sending/ManualEntryDlg.h"
#include "widgets/Controls.h"
#include "widgets/PageContext.h"

#include <QFrame>

MainPages::MainPages(QWidget* window, const PageContext& context, std::function<void(bool)> showComposition)
    : QObject(window), m_window(window), m_showComposition(std::move(showComposition))
{
    const std::array<const char*, Count> holders = {"recordsHolder", "adminHolder", "profileHolder",
                                                    "manualHolder"};
    for (int k = 0; k < Count; ++k) {
        const Controls::Box box =
            k == Manual ? Controls::Box{215, 234, 306, 133} : Controls::Box{99, 92, 422, 276};
        m_pages[k].holder = Controls::make<QFrame>(window, QString::fromLatin1(holders[k]), box);
        m_pages[k].holder->hide();
    }
    build(context);
    for (Hosted& hosted : m_pages) {
        hosted.page->setGeometry(hosted.holder->rect());
        hosted.page->hide();
    }
}

void MainPages::build(const PageContext& context)
{
    m_pages[Records].page = new CRecordsDlg(context, m_pages[Records].holder);
    auto* adminPanel = new CAdminPanelDlg(context, m_pages[Admin].holder);
    m_pages[Admin].page = adminPanel;
    // Each notice is a window of its own that frees itself after its 5 seconds.
    connect(adminPanel->receivePage(), &CReceiveDlg::WM_SHOW_POPUP, this,
            [](const SelectedRecord& record) { (new CPopupDlg(record))->show(); });
    m_pages[Profile].page = new CProfileDlg(context, m_pages[Profile].holder);
    m_manualEntry = new CManualEntryDlg(m_pages[Manual].holder);
    m_pages[Manual].page = m_manualEntry;
}

bool MainPages::holds(const QWidget* widget) const
{
    for (const Hosted& hosted : m_pages) {
        if (widget == hosted.page || hosted.page->isAncestorOf(widget))
            return true;
    }
    return false;
}

void MainPages::hideHolders(Page except)
{
    for (int k = 0; k < Count; ++k) {
        if (k != except)
            m_pages[k].holder->hide();
    }
}

bool MainPages::isShown(Page page) const
{
    return m_pages[page].holder->isVisibleTo(m_window);
}

void MainPages::setVisible(Page page, bool visible)
{
    m_pages[page].holder->setVisible(visible);
    m_pages[page].page->setVisible(visible);
}

void MainPages::toggle(Page page)
{
    if (isShown(page)) {
        showComposition();
        return;
    }
    hideHolders(page);
    m_showComposition(false);
    setVisible(page, true);
}

void MainPages::toggleManual()
{
    const bool show = !isShown(Manual);
    hideHolders(Manual);
    m_showComposition(true);
    setVisible(Manual, show);
}

void MainPages::showComposition()
{
    hideHolders(Count);
    m_showComposition(true);
}
