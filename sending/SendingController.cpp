#include "sending/SendingController.h"

#include "app/Dialogs.h"
#include "app/MainDlg.h"
#include "sending/NumberListModel.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>

SendingController::SendingController(CMainDlg& window, DbGateway& gateway, SessionUser& session)
    : QObject(&window), m_window(window), m_gateway(gateway), m_session(session)
{
    connectList();
}

SendingController::~SendingController() = default;

bool SendingController::canClose()
{
    return true;
}

void SendingController::connectList()
{
    QListView* list = m_window.m_numberList;
    connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { m_rememberedRow = current.isValid() ? current.row() : -1; });
    connect(list, &QListView::doubleClicked, this, [this] { deleteSelected(); });
    connect(m_window.findChild<QPushButton*>(QStringLiteral("deleteButton")), &QPushButton::clicked, this,
            &SendingController::deleteRemembered);
    connect(m_window.findChild<QPushButton*>(QStringLiteral("clearListButton")), &QPushButton::clicked, this,
            &SendingController::clearList);
}

void SendingController::deleteSelected()
{
    const QModelIndex current = m_window.m_numberList->currentIndex();
    if (!current.isValid()) {
        Dialogs::inform(&m_window, QStringLiteral("请选择一条,在双击鼠标删除!"));
        return;
    }
    m_window.m_numbers->removeAt(current.row());
    refreshCount();
}

void SendingController::deleteRemembered()
{
    if (m_rememberedRow < 0) {
        Dialogs::inform(&m_window, QStringLiteral("请选择一条,或在号码列表[双击鼠标左键删除]!"));
        return;
    }
    m_window.m_numbers->removeAt(m_rememberedRow);
    m_rememberedRow = -1;
}

void SendingController::clearList()
{
    if (!Dialogs::ask(&m_window, QStringLiteral("确认是否清空所有号码!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    m_window.m_numbers->clear();
    refreshCount();
}

void SendingController::refreshCount()
{
    m_window.m_numberCount->setText(QStringLiteral("文本导入:%1 条").arg(m_window.m_numbers->count()));
}
