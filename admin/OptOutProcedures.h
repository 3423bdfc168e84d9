#pragma once

#include "db/ListQuery.h"
#include "db/SessionUser.h"

#include <optional>

class DbGateway;

// What the opt-out page does, apart from its window: each procedure runs on a worker with the
// page's gateway and the session's copy, and ends with what to tell and the list's new size.
namespace OptOutProcedures {

// At most this many numbers are listed at once; the count shows them all.
inline constexpr int kListedLimit = 10000;

struct Result
{
    QString message;             // what to tell; empty for nothing
    std::optional<qint64> total; // the numbers on the list now, when it could be read
    QString openPath;            // a file written, to open
};

// Why text is no number the list may take (the manual entry's rule); empty when it is one.
QString numberProblem(const QString& text);

Result count(DbGateway& gateway, const SessionUser& session);
Result add(DbGateway& gateway, const SessionUser& session, const QString& number);
Result remove(DbGateway& gateway, const SessionUser& session, const QStringList& numbers);
// Adds every number of a number file, read as the import reads one, or none when a line breaks
// the rule.
Result importFile(DbGateway& gateway, const SessionUser& session, const QString& path);
// Appends the whole list to a file as exports are written (GBK, CR LF).
Result exportList(DbGateway& gateway, const SessionUser& session, const QString& path);

// The numbers that begin with prefix (all when empty), number and time added, at most
// kListedLimit of them, telling when there are more.
ListQuery::Walk listing(const SessionUser& session, const QString& prefix);

} // namespace OptOutProcedures
