#include "app/MainDlg.h"

#include "sending/SendingController.h"
#include "sending/SendingState.h"

#include <QAbstractButton>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>

// The number list's mouse: the current row, double-click deletion and the context menu.

void CMainDlg::connectNumberList()
{
    connect(
        m_numberList->selectionModel(), &QItemSelectionModel::currentRowChanged, m_state,
        [this](const QModelIndex& current) { m_state->rememberRow(current.isValid() ? current.row() : -1); });
    connect(m_numberList, &QListView::doubleClicked, m_sending,
            [this](const QModelIndex& index) { m_sending->deleteAt(index.isValid() ? index.row() : -1); });
}

void CMainDlg::buildContextMenu()
{
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("numberMenu"));
    // Each entry clicks its button; a null text is a separator.
    const std::pair<const char*, const char*> entries[] = {
        {"删除号码", "deleteButton"}, {}, {"手动加入", "manualButton"},    {"导入号码", "importButton"},
        {"导出号码", "exportButton"}, {}, {"清空号码", "clearListButton"}, {},
        {"修改信息", "profileButton"}};
    for (const auto& [text, button] : entries) {
        if (!text) {
            m_contextMenu->addSeparator();
            continue;
        }
        auto* target = findChild<QAbstractButton*>(QLatin1String(button));
        connect(m_contextMenu->addAction(QString::fromUtf8(text)), &QAction::triggered, target,
                &QAbstractButton::click);
    }
    // The admin entry must reach the refusal even when its button is hidden.
    connect(m_contextMenu->addAction(QStringLiteral("管理工具")), &QAction::triggered, this,
            &CMainDlg::showAdminPanel);
}

bool CMainDlg::filterMouse(QObject* watched, QMouseEvent* event)
{
    const bool onList = watched == m_numberList || watched == m_numberList->viewport();
    if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::RightButton && onList) {
        m_contextMenu->popup(event->globalPosition().toPoint());
        return true;
    }
    // A double-click away from every entry never reaches the view's doubleClicked.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_numberList->viewport() &&
        !m_numberList->indexAt(event->position().toPoint()).isValid()) {
        m_sending->deleteAt(-1);
        return true;
    }
    return false;
}
