#include "db/UnitOutcome.h"

#include <QThread>

namespace {

constexpr int kAttempts = 3;

} // namespace

UnitEnd DbFindOutOnFreshConnection(DbGateway& gateway, const ChangeFound& found)
{
    Q_ASSERT(!gateway.inUnit());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Give a passing network fault a moment: 0, 250 and 1000 ms.
        if (attempt > 0)
            QThread::msleep(250 * attempt * attempt);
        if (!gateway.DbOpen())
            continue;
        if (const std::optional<bool> answer = found())
            return *answer ? UnitEnd::Done : UnitEnd::NotDone;
    }
    return UnitEnd::Unknown;
}

UnitResult DbRunUnit(DbGateway& gateway, const std::function<bool()>& work, const ChangeFound& found)
{
    const bool outermost = !gateway.inUnit();
    if (gateway.transaction(work))
        return {UnitEnd::Done, {}, DbErrorKind::None};
    UnitResult result{UnitEnd::NotDone, DbGateway::lastError(), DbGateway::lastErrorKind()};
    // Inside an outer unit nothing has been committed yet; the outer unit answers for it.
    if (outermost && DbGateway::lastCommitUnknown())
        result.end = DbFindOutOnFreshConnection(gateway, found);
    return result;
}

std::optional<qint64> DbCount(DbGateway& gateway, const QString& sql, const QVariantList& values)
{
    DbRows rows = gateway.DbQuery(sql, values);
    const qint64 count = rows.number(QStringLiteral("n"));
    if (rows.failed())
        return std::nullopt;
    return count;
}

bool ruleAllows(const Outcome& rule, Outcome& refusal)
{
    if (rule)
        return true;
    refusal = rule;
    return false;
}

Outcome unitOutcome(const UnitResult& result, const Outcome& refusal, const QString& failure,
                    const QString& success)
{
    if (result.done())
        return Outcome::success(success);
    if (!refusal.message.isEmpty())
        return refusal;
    if (result.end == UnitEnd::Unknown)
        return Outcome::failure(kOutcomeUnknown, result.reason);
    return Outcome::failure(failure, result.reason);
}
