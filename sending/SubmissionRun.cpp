#include "sending/SubmissionRun.h"

#include "db/BalanceStatements.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"

#include <QElapsedTimer>

std::atomic<int> RunIdle{1};
std::atomic<int> DedupeIdle{1};

SubmissionRun::SubmissionRun(DbGateway& gateway, RunRequest request)
    : m_gateway(gateway), m_request(std::move(request))
{
}

QString SubmissionRun::balanceMessage(qint64 balance, qint64 cost)
{
    return QStringLiteral("可使用条数为%1,缺少%2,请充值!").arg(balance).arg(cost - balance);
}

SubmissionRun::PartResult SubmissionRun::writePart(const QString& part, const QString& numberList,
                                                   qint64 cost, SessionUser& figures, QString& message)
{
    const QString countText = QString::number(m_request.count());
    const bool written = m_gateway.transaction([&] {
        Outcome step = DbInsertMessage(m_gateway, m_request.loginName, part, countText, numberList);
        if (step)
            step = DbDeductBalance(m_gateway, figures, m_request.loginName, m_request.password, countText);
        if (step)
            step = DbAddSent(m_gateway, figures, m_request.loginName, m_request.password, countText);
        message = step.message;
        return step.ok;
    });
    if (written)
        return PartResult::Charged;
    if (message.isEmpty())
        message = LoginText::insertFailed;
    // Another client of the account may have spent the balance meanwhile.
    DbRows rows = m_gateway.DbQuery(
        QStringLiteral("SELECT payMoney FROM UserInfo WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)"),
        {m_request.loginName, m_request.password});
    if (!rows.atEnd())
        figures.remainingBalance = rows.number(QStringLiteral("payMoney"));
    return figures.remainingBalance < cost ? PartResult::OutOfBalance : PartResult::Failed;
}

void SubmissionRun::run()
{
    DbThreadScope scope(m_gateway);
    if (!m_gateway.DbOpen()) {
        emit endedEarly(QStringLiteral("网络连接错误或卡线2!"));
        return;
    }
    RunIdle = 0;
    QElapsedTimer clock;
    clock.start();
    emit started(m_request.total());

    SessionUser figures;
    figures.remainingBalance = m_request.remainingBalance;
    QString numberList;
    numberList.reserve(m_request.numbers.size() * 13);
    for (const QString& number : m_request.numbers)
        numberList += number + QLatin1Char(',');

    for (qsizetype index = 0; index < m_request.parts.size(); ++index) {
        if (m_request.count() == 0) {
            RunIdle = 1;
            emit endedEarly(QStringLiteral("提示: 请加入手机号码!"));
            return;
        }
        // The balance must cover what is still to be written, not the parts already charged.
        const qint64 cost = (m_request.parts.size() - index) * m_request.count();
        if (figures.remainingBalance < cost) {
            RunIdle = 1;
            emit endedEarly(balanceMessage(figures.remainingBalance, cost));
            return;
        }
        QString message;
        switch (writePart(m_request.parts[index], numberList, cost, figures, message)) {
        case PartResult::Charged:
            emit partCharged(figures.sentTotal, figures.remainingBalance);
            break;
        case PartResult::OutOfBalance:
            emit partFailed(m_request.count(), QString());
            emit progressed((index + 1) * m_request.count());
            RunIdle = 1;
            emit endedEarly(balanceMessage(figures.remainingBalance, cost));
            return;
        case PartResult::Failed:
            emit partFailed(m_request.count(), message);
            break;
        }
        emit progressed((index + 1) * m_request.count());
        if (m_stopRequested)
            break;
    }
    RunIdle = 1;
    emit finished(clock.elapsed() / 1000);
}
