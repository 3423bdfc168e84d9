#include "admin/AdminPanelDlg.h"

#include "admin/AccountAdminDlg.h"
#include "admin/OptOutDlg.h"
#include "admin/RechargeDlg.h"
#include "admin/UserEditDlg.h"
#include "records/QueryDlg.h"
#include "records/ReceiveDlg.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"

#include <QLabel>
#include <QTabWidget>
#include <QTableView>

CAdminPanelDlg::CAdminPanelDlg(const PageContext& context, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("adminPanel"));
    WindowSkin::stylePage(this);

    m_tabs = Controls::make<QTabWidget>(this, QStringLiteral("adminTabs"), {0, 0, 425, 277});
    m_recharge = new CRechargeDlg(context, m_tabs);
    m_userEdit = new CUserEditDlg(context, m_tabs);
    m_query = new CQueryDlg(context, m_tabs);
    m_accountAdmin = new CAccountAdminDlg(context, m_tabs);
    m_receive = new CReceiveDlg(context, m_tabs);
    m_optOut = new COptOutDlg(context, m_tabs);
    m_tabs->addTab(m_recharge, QStringLiteral("帐号充值"));
    m_tabs->addTab(m_userEdit, QStringLiteral("添加帐号"));
    m_tabs->addTab(m_query, QStringLiteral("综合查询"));
    m_tabs->addTab(m_accountAdmin, QStringLiteral("帐号管理"));
    m_tabs->addTab(m_receive, QStringLiteral("短信发送"));
    m_tabs->addTab(m_optOut, QStringLiteral("退订号码"));
    m_tabs->setCurrentIndex(RechargeTab);
    // A tab's list has no caption of its own on screen: it is read by the tab's title.
    for (int k = 0; k < m_tabs->count(); ++k) {
        for (QTableView* list : m_tabs->widget(k)->findChildren<QTableView*>())
            list->setAccessibleName(m_tabs->tabText(k));
    }

    // Drawn over the tab strip's free end, as a reminder to staff.
    QLabel* reminder = Controls::label(this, QStringLiteral("cleanupReminder"),
                                       QStringLiteral("清订期清理数据!"), {358, 2, 64, 9});
    reminder->setAlignment(Qt::AlignCenter);
}
