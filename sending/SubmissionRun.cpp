#include "sending/SubmissionRun.h"

#include "db/DbGateway.h"
#include "db/OptOutStatements.h"
#include "db/Outcome.h"
#include "db/PartStatements.h"

#include <QElapsedTimer>

std::atomic<int> RunIdle{1};
std::atomic<int> DedupeIdle{1};

namespace {

const QString kUnreachable = QStringLiteral("网络连接错误或卡线2!");

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
    if (summary.optedOut > 0)
        text += QLatin1Char('\n') + OptOutText::removed.arg(summary.optedOut);
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

SessionUser SubmissionRun::acting() const
{
    SessionUser account;
    account.loginName = m_request.loginName;
    account.password = m_request.password;
    return account;
}

void SubmissionRun::readFigures(SessionUser& figures)
{
    DbReadFigures(m_gateway, acting(), figures);
}

SubmissionRun::PartResult SubmissionRun::writePart(const QString& part, const QString& numberList,
                                                   qint64 cost, SessionUser& figures, QString& message,
                                                   qint64& written)
{
    switch (DbWritePart(m_gateway, acting(), {part, numberList, m_request.count()}, cost, figures, message,
                        &written)) {
    case PartEnd::Charged:
        return PartResult::Charged;
    case PartEnd::Failed:
        return PartResult::Failed;
    case PartEnd::OutOfBalance:
        return PartResult::OutOfBalance;
    case PartEnd::Refused:
        return PartResult::Refused;
    case PartEnd::Unknown:
        break;
    }
    return PartResult::Unknown;
}

void SubmissionRun::run()
{
    DbThreadScope scope(m_gateway);
    RunningFlag running;
    QElapsedTimer clock;
    clock.start();
    RunSummary summary;
    SessionUser figures;
    figures.remainingBalance = m_request.remainingBalance;
    summary.stopMessage = writeParts(summary, figures);
    summary.elapsedSeconds = clock.elapsed() / 1000;
    summary.parts = int(m_request.parts.size());
    summary.numbers = m_request.count();
    summary.balance = figures.remainingBalance;
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

QString SubmissionRun::screenOptOut(RunSummary& summary)
{
    qint64 removed = 0;
    QStringList entries = m_request.numbers.toStringList();
    const Outcome screened = DbScreenOptOut(m_gateway, acting(), entries, &removed);
    if (removed > 0)
        m_request.numbers = LineList(entries);
    summary.optedOut += removed;
    return screened ? QString() : screened.text();
}

QString SubmissionRun::writeParts(RunSummary& summary, SessionUser& figures)
{
    if (!m_gateway.DbOpen())
        return unreachable();
    // Before the balance check: numbers left out are neither written nor charged.
    if (const QString refusal = screenOptOut(summary); !refusal.isEmpty())
        return refusal;
    emit started(m_request.total());
    // Staff may have recharged the account since the login; judge by the server's figure.
    readFigures(figures);
    QString numberList = joinedNumbers(m_request.numbers);
    for (qsizetype index = 0; index < m_request.parts.size(); ++index) {
        if (m_request.count() == 0)
            return QStringLiteral("提示: 请加入手机号码!");
        // The balance must cover what is still to be written, not the parts already charged.
        const qint64 cost = (m_request.parts.size() - index) * m_request.count();
        if (figures.remainingBalance < cost)
            return balanceMessage(figures.remainingBalance, cost);
        QString message;
        qint64 written = m_request.count();
        const PartResult result =
            writePart(m_request.parts[index], numberList, cost, figures, message, written);
        if (const std::optional<QString> stop = countPart(result, message, figures, cost, written, summary))
            return *stop;
        if (m_stopRequested)
            break;
        // A failed part may have lost the connection; without one, the rest would only fail.
        if (result == PartResult::Failed && !m_gateway.DbOpen())
            return unreachable();
        // The server left out numbers put on the opt-out list since the screening; the parts to
        // come go without them too, and are counted so.
        if (result == PartResult::Charged && written < m_request.count()) {
            if (const QString refusal = screenOptOut(summary); !refusal.isEmpty())
                return refusal;
            numberList = joinedNumbers(m_request.numbers);
        }
    }
    return {};
}

std::optional<QString> SubmissionRun::countPart(PartResult result, const QString& message,
                                                const SessionUser& figures, qint64 cost, qint64 written,
                                                RunSummary& summary)
{
    switch (result) {
    case PartResult::Charged:
        ++summary.chargedParts;
        emit partCharged(figures.sentTotal, figures.remainingBalance, written);
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
