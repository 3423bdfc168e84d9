#pragma once

#include "db/DbGateway.h"
#include "db/Outcome.h"

#include <QString>

#include <functional>
#include <optional>

// How a unit of work ended, as far as the database can tell.
enum class UnitEnd
{
    Done,    // committed; or its commit went unanswered and the change was found
    NotDone, // failed; or its commit went unanswered and the change was not found
    Unknown  // its commit went unanswered and no fresh connection could tell
};

struct UnitResult
{
    UnitEnd end = UnitEnd::NotDone;
    QString reason; // the database's reason for the failure or for the doubt
    DbErrorKind kind = DbErrorKind::None;

    bool done() const { return end == UnitEnd::Done; }
};

// Asks whether a change is in the database: true or false, or nothing when the question
// itself failed.
using ChangeFound = std::function<std::optional<bool>()>;

// After a commit whose answer was lost: asks on a new connection whether the change is there,
// up to three tries with short pauses. Never call it inside a unit.
UnitEnd DbFindOutOnFreshConnection(DbGateway& gateway, const ChangeFound& found);

// Runs work as one unit. When the commit goes out and no answer comes back, finds out as
// above, so that a change that was made is never reported as failed.
UnitResult DbRunUnit(DbGateway& gateway, const std::function<bool()>& work, const ChangeFound& found);

// The usual question: how many rows a SELECT with a column "n" counts. Nothing when it fails.
std::optional<qint64> DbCount(DbGateway& gateway, const QString& sql, const QVariantList& values);

// A rule checked inside a unit: true when it allows; otherwise its refusal is kept, for
// unitOutcome, and the unit is to stop.
bool ruleAllows(const Outcome& rule, Outcome& refusal);

// What a statement built on a unit tells: success; the refusal a rule gave inside the unit;
// doubt (kOutcomeUnknown); or the failure text with the database's reason.
Outcome unitOutcome(const UnitResult& result, const Outcome& refusal, const QString& failure,
                    const QString& success = {});
