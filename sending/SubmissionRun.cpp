#include "sending/SubmissionRun.h"

#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"

#include <QElapsedTimer>
#include <QThread>
#include <QUuid>

std::atomic<int> RunIdle{1};
std::atomic<int> DedupeIdle{1};

namespace {

const QString kUnreachable = QStringLiteral("网络连接错误或卡线2!");
// Attempts to reach the database again after a commit whose answer was lost.
constexpr int kSettleAttempts = 3;

// RunIdle is 0 exactly while the run's body executes, whichever way it ends.
struct RunningFlag
{
    RunningFlag() { RunIdle = 0; }
    ~RunningFlag() { RunIdle = 1; }
};

} // namespace

QString runClosingMessage(const RunSummary& summary)
{
    QString text;
    if (!summary.stopMessage.isEmpty())
        text = summary.stopMessage;
    else if (summary.failedParts == 0 && summary.unknownParts == 0)
        text = QStringLiteral("提示: 用时[%1秒]发送完成!").arg(summary.elapsedSeconds);
    else
        text = QStringLiteral("提示: 用时[%1秒]发送结束,成功提交 %2 部分!")
                   .arg(summary.elapsedSeconds)
                   .arg(summary.chargedParts);
    if (summary.failedParts > 0)
        text += QStringLiteral("\n%1 部分提交失败,没有写入,也没有扣费:\n%2")
                    .arg(summary.failedParts)
                    .arg(summary.firstFailure);
    if (summary.unknownParts > 0)
        text +=
            QStringLiteral(
                "\n%1 部分提交时连接中断,无法确认是否已写入!请查看剩余条数和发送记录,确认后再决定是否重发!")
                .arg(summary.unknownParts);
    return text;
}

SubmissionRun::SubmissionRun(DbGateway& gateway, RunRequest request)
    : m_gateway(gateway), m_request(std::move(request))
{
}

QString SubmissionRun::balanceMessage(qint64 balance, qint64 cost)
{
    return QStringLiteral("可使用条数为%1,缺少%2,请充值!").arg(balance).arg(cost - balance);
}

void SubmissionRun::readFigures(SessionUser& figures)
{
    DbRows rows = m_gateway.DbQuery(
        QStringLiteral("SELECT payMoney,status FROM UserInfo WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)"),
        {m_request.loginName, m_request.password});
    const qint64 balance = rows.number(QStringLiteral("payMoney"));
    const qint64 sent = rows.number(QStringLiteral("status"));
    if (rows.failed())
        return;
    figures.remainingBalance = balance;
    figures.sentTotal = sent;
}

// The commit went out and its answer never came back. The part's key tells, on a new
// connection, whether the server kept it.
SubmissionRun::PartResult SubmissionRun::settleUnknownCommit(const QString& partKey, SessionUser& figures,
                                                             QString& message)
{
    for (int attempt = 0; attempt < kSettleAttempts; ++attempt) {
        if (attempt > 0)
            QThread::sleep(attempt);
        bool written = false;
        if (!m_gateway.DbOpen() || !DbPartWritten(m_gateway, partKey, &written))
            continue;
        readFigures(figures);
        if (written)
            return PartResult::Charged;
        message = Outcome::withReason(LoginText::insertFailed, DbGateway::lastError());
        return PartResult::Failed;
    }
    return PartResult::Unknown;
}

SubmissionRun::PartResult SubmissionRun::writePart(const QString& part, const QString& numberList,
                                                   qint64 cost, SessionUser& figures, QString& message)
{
    const QString countText = QString::number(m_request.count());
    const QString partKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    SessionUser written = figures;
    SessionUser acting;
    acting.loginName = m_request.loginName;
    acting.password = m_request.password;
    bool refused = false;
    const bool charged = retriedUnit(m_gateway, [&] {
        written = figures;
        // An account disabled, demoted or given a new password since its login writes nothing more.
        Outcome step = DbCheckActing(m_gateway, acting, ActingRight::Use);
        refused = !step && step.message != LoginText::readFailed;
        if (step)
            step = DbInsertMessage(m_gateway, m_request.loginName, part, countText, numberList, partKey);
        if (step)
            step = DbDeductBalance(m_gateway, written, m_request.loginName, m_request.password, countText);
        if (step)
            step = DbAddSent(m_gateway, written, m_request.loginName, m_request.password, countText);
        message = step.text();
        return step.ok;
    });
    if (charged) {
        figures = written;
        return PartResult::Charged;
    }
    if (refused)
        return PartResult::Refused;
    if (DbGateway::lastCommitUnknown())
        return settleUnknownCommit(partKey, figures, message);
    if (message.isEmpty())
        message = Outcome::withReason(LoginText::insertFailed, DbGateway::lastError());
    // Another client of the account may have spent the balance meanwhile.
    readFigures(figures);
    return figures.remainingBalance < cost ? PartResult::OutOfBalance : PartResult::Failed;
}

void SubmissionRun::run()
{
    DbThreadScope scope(m_gateway);
    RunningFlag running;
    QElapsedTimer clock;
    clock.start();
    RunSummary summary;
    summary.stopMessage = writeParts(summary);
    summary.elapsedSeconds = clock.elapsed() / 1000;
    emit finished(summary);
}

QString SubmissionRun::unreachable()
{
    return Outcome::withReason(kUnreachable, DbGateway::lastError());
}

QString joinedNumbers(const LineList& numbers)
{
    QString numberList;
    numberList.reserve(numbers.byteSize() + numbers.size());
    for (qsizetype k = 0; k < numbers.size(); ++k) {
        if (numbers.isWide(k))
            numberList += numbers.at(k);
        else
            numberList += QLatin1StringView(numbers.raw(k));
        numberList += QLatin1Char(',');
    }
    return numberList;
}

QString SubmissionRun::writeParts(RunSummary& summary)
{
    if (!m_gateway.DbOpen())
        return unreachable();
    emit started(m_request.total());
    SessionUser figures;
    figures.remainingBalance = m_request.remainingBalance;
    // Staff may have recharged the account since the login; judge by the server's figure.
    readFigures(figures);
    const QString numberList = joinedNumbers(m_request.numbers);
    for (qsizetype index = 0; index < m_request.parts.size(); ++index) {
        if (m_request.count() == 0)
            return QStringLiteral("提示: 请加入手机号码!");
        // The balance must cover what is still to be written, not the parts already charged.
        const qint64 cost = (m_request.parts.size() - index) * m_request.count();
        if (figures.remainingBalance < cost)
            return balanceMessage(figures.remainingBalance, cost);
        QString message;
        const PartResult result = writePart(m_request.parts[index], numberList, cost, figures, message);
        if (const std::optional<QString> stop = countPart(result, message, figures, cost, summary))
            return *stop;
        if (m_stopRequested)
            break;
        // A failed part may have lost the connection; without one, the rest would only fail.
        if (result == PartResult::Failed && !m_gateway.DbOpen())
            return unreachable();
    }
    return {};
}

std::optional<QString> SubmissionRun::countPart(PartResult result, const QString& message,
                                                const SessionUser& figures, qint64 cost, RunSummary& summary)
{
    switch (result) {
    case PartResult::Charged:
        ++summary.chargedParts;
        emit partCharged(figures.sentTotal, figures.remainingBalance);
        return std::nullopt;
    case PartResult::OutOfBalance:
        return balanceMessage(figures.remainingBalance, cost);
    case PartResult::Refused:
        return message;
    case PartResult::Failed:
        ++summary.failedParts;
        if (summary.firstFailure.isEmpty())
            summary.firstFailure = message;
        emit partFailed(m_request.count(), message);
        return std::nullopt;
    case PartResult::Unknown:
        ++summary.unknownParts;
        return unreachable();
    }
    return std::nullopt;
}
