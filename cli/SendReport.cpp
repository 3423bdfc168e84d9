#include "cli/SendReport.h"

#include "sending/SubmissionRun.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;

void write(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

} // namespace

SendOutcome SendOutcome::ofRun(const RunSummary& summary, const QString& closingMessage)
{
    SendOutcome outcome;
    outcome.parts = summary.parts;
    outcome.charged = summary.chargedParts;
    outcome.unknown = summary.unknownParts;
    outcome.failed = summary.parts - summary.chargedParts - summary.unknownParts;
    outcome.numbers = summary.numbers;
    outcome.optedOut = summary.optedOut;
    // A part that may have been charged leaves the balance unknown too.
    if (summary.unknownParts == 0)
        outcome.balance = summary.balance;
    outcome.message = closingMessage;
    if (outcome.unknown > 0)
        outcome.status = SendStatus::kUnknown;
    else if (outcome.charged == outcome.parts && outcome.parts > 0)
        outcome.status = SendStatus::kCharged;
    else if (outcome.charged == 0 && summary.failedParts == 0)
        outcome.status = SendStatus::kRefused;
    else
        outcome.status = SendStatus::kFailed;
    return outcome;
}

namespace SendReport {

void tell(const QString& text)
{
    if (text.isEmpty())
        return;
    QString lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines += QStringLiteral("kavrel-send: %1\n").arg(line);
    write(stderr, lines);
}

QString summaryLine(const SendOutcome& outcome)
{
    const QString balance =
        outcome.balance ? QStringLiteral("%1 条").arg(*outcome.balance) : QStringLiteral("无法确认");
    return QStringLiteral(
               "成功 %1 部分, 失败 %2 部分, 无法确认 %3 部分 (共 %4 部分, 号码 %5 个), 剩余条数 %6")
        .arg(outcome.charged)
        .arg(outcome.failed)
        .arg(outcome.unknown)
        .arg(outcome.parts)
        .arg(outcome.numbers)
        .arg(balance);
}

QByteArray summaryJson(const SendOutcome& outcome)
{
    QJsonObject object{
        {QStringLiteral("status"), outcome.status},    {QStringLiteral("parts"), outcome.parts},
        {QStringLiteral("charged"), outcome.charged},  {QStringLiteral("failed"), outcome.failed},
        {QStringLiteral("unknown"), outcome.unknown},  {QStringLiteral("numbers"), outcome.numbers},
        {QStringLiteral("balance"), QJsonValue::Null}, {QStringLiteral("message"), outcome.message}};
    if (outcome.balance)
        object.insert(QStringLiteral("balance"), *outcome.balance);
    object.insert(QStringLiteral("optedOut"), outcome.optedOut);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

void finish(const SendOutcome& outcome, bool json)
{
    tell(summaryLine(outcome));
    if (json)
        std::fputs(summaryJson(outcome).constData(), stdout);
    std::fflush(stdout);
}

Progress::Progress() : m_terminal(isatty(STDERR_FILENO) == 1) {}

void Progress::show(int done, int parts)
{
    if (!m_terminal) {
        write(stderr, QStringLiteral("kavrel-send: 已处理 %1/%2 部分\n").arg(done).arg(parts));
        return;
    }
    const int filled = parts > 0 ? kBarWidth * done / parts : kBarWidth;
    write(stderr, QStringLiteral("\r[%1%2] %3/%4 部分")
                      .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
                      .arg(done)
                      .arg(parts));
    m_open = true;
}

void Progress::close()
{
    if (m_open)
        write(stderr, QStringLiteral("\n"));
    m_open = false;
}

} // namespace SendReport
