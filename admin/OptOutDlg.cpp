#include "admin/OptOutDlg.h"

#include "common/Worker.h"
#include "db/DbGateway.h"
#include "db/OptOutStatements.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QUrl>

using OptOutProcedures::Result;

namespace {

const QList<ReportModel::Column> kColumns = {{QStringLiteral("手机号码"), 150},
                                             {QStringLiteral("加入日期"), 150, true}};
const QString kBusy = QStringLiteral("提示: 上一个操作还没有完成,请稍候再试!");

bool allDigits(const QString& text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

COptOutDlg::COptOutDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("optOutPage"), kColumns, true, parent),
      // Its jobs borrow the page's gateway: the page waits for them when it goes.
      m_worker(new Worker(this, Worker::kWaitUntilDone))
{
    buildControls();
    addList(QStringLiteral("optOutList"), {0, 38, 419, 219});
    setStaffPage();
    applyRights();
}

void COptOutDlg::buildControls()
{
    QLabel* numberLabel = Controls::label(this, QStringLiteral("optOutNumberLabel"),
                                          QStringLiteral("手机号码:"), {4, 6, 44, 9});
    m_number = Controls::edit(this, QStringLiteral("optOutNumberEdit"), {47, 3, 90, 12});
    numberLabel->setBuddy(m_number);
    m_total = Controls::label(this, QStringLiteral("optOutTotal"), QString(), {304, 6, 113, 9});
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto tickAll = [this](bool ticked) { return [this, ticked] { model()->setAllChecked(ticked); }; };
    Controls::actions(
        this, {{"optOutQueryButton", "查询", {144, 2, 41, 13}, [this] { listNumbers(); }},
               {"optOutAddButton", "加入退订", {197, 2, 47, 13}, [this] { addNumber(); }},
               {"optOutRemoveButton", "删除号码", {253, 2, 47, 13}, [this] { removeTyped(); }},
               {"optOutTickAllButton", "全选", {47, 20, 41, 13}, tickAll(true)},
               {"optOutUntickAllButton", "取消", {96, 20, 41, 13}, tickAll(false)},
               {"optOutClearButton", "清空列表", {144, 20, 41, 13}, [this] { clearList(); }},
               {"optOutRemoveTickedButton", "删除勾选", {197, 20, 47, 13}, [this] { removeTicked(); }},
               {"optOutImportButton", "导入号码", {253, 20, 79, 13}, [this] { importFile(); }},
               {"optOutExportButton", "导出号码", {338, 20, 79, 13}, [this] { exportFile(); }}});
}

bool COptOutDlg::isBusy() const
{
    return m_worker->isRunning();
}

void COptOutDlg::showEvent(QShowEvent* event)
{
    CListPage::showEvent(event);
    // The list changes from other clients too; its size is read again whenever the tab shows.
    if (!m_context.session.restricted && !isBusy())
        run([](DbGateway& gateway,
               const SessionUser& session) { return OptOutProcedures::count(gateway, session); },
            true);
}

void COptOutDlg::run(const Job& job, bool quiet)
{
    if (isBusy()) {
        Dialogs::inform(this, kBusy);
        return;
    }
    DbGateway& gateway = m_context.gateway;
    m_worker->start([this, &gateway, session = m_context.session, job,
                     quiet](const Worker::Run&) -> std::function<void()> {
        DbThreadScope scope(gateway);
        const Result result =
            gateway.DbOpen()
                ? job(gateway, session)
                : Result{Outcome::failure(OptOutText::readFailed, DbGateway::lastError()).text(), {}, {}};
        return [this, result, quiet] { finish(result, quiet); };
    });
}

void COptOutDlg::finish(const Result& result, bool quiet)
{
    if (result.total)
        m_total->setText(QStringLiteral("退订号码共 %1 个").arg(*result.total));
    if (!quiet && !result.message.isEmpty())
        Dialogs::inform(this, result.message);
    if (!result.openPath.isEmpty())
        Dialogs::openUrlOrTell(this, QUrl::fromLocalFile(result.openPath));
}

QString COptOutDlg::typedNumber()
{
    const QString number = m_number->text().trimmed();
    const QString problem = OptOutProcedures::numberProblem(number);
    if (!problem.isEmpty()) {
        Dialogs::informCaptioned(this, problem, Dialogs::kOops);
        return {};
    }
    return number;
}

void COptOutDlg::listNumbers()
{
    const QString prefix = m_number->text().trimmed();
    if (!allDigits(prefix)) {
        Dialogs::informCaptioned(this, OptOutText::invalid, Dialogs::kOops);
        return;
    }
    startListing(OptOutProcedures::listing(m_context.session, prefix));
}

void COptOutDlg::addNumber()
{
    if (const QString number = typedNumber(); !number.isEmpty())
        run([number](DbGateway& gateway, const SessionUser& session) {
            return OptOutProcedures::add(gateway, session, number);
        });
}

void COptOutDlg::removeTyped()
{
    if (const QString number = typedNumber(); !number.isEmpty())
        run([number](DbGateway& gateway, const SessionUser& session) {
            return OptOutProcedures::remove(gateway, session, {number});
        });
}

void COptOutDlg::removeTicked()
{
    QStringList numbers;
    for (int row : model()->checkedRows())
        numbers << model()->cell(row, 0);
    if (numbers.isEmpty()) {
        Dialogs::inform(this, QStringLiteral("提示: 请先勾选要删除的号码!"));
        return;
    }
    if (!Dialogs::ask(this, QStringLiteral("确认删除勾选的 %1 个退订号码?").arg(numbers.size()),
                      Dialogs::kNotice, Dialogs::Icon::Question))
        return;
    // The list no longer shows the numbers as they are; the operator queries again.
    clearList();
    run([numbers](DbGateway& gateway, const SessionUser& session) {
        return OptOutProcedures::remove(gateway, session, numbers);
    });
}

void COptOutDlg::importFile()
{
    if (isBusy()) {
        Dialogs::inform(this, kBusy);
        return;
    }
    const QString path = Dialogs::openTextFile(this, QStringLiteral("[打开退订号码]"));
    if (!path.isEmpty())
        run([path](DbGateway& gateway, const SessionUser& session) {
            return OptOutProcedures::importFile(gateway, session, path);
        });
}

void COptOutDlg::exportFile()
{
    if (isBusy()) {
        Dialogs::inform(this, kBusy);
        return;
    }
    const QString path = Dialogs::saveTextFile(this, QStringLiteral("[保存退订号码]"));
    if (!path.isEmpty())
        run([path](DbGateway& gateway, const SessionUser& session) {
            return OptOutProcedures::exportList(gateway, session, path);
        });
}
