#pragma once

#include "db/SqlDialect.h"

#include <QString>

class QSqlError;

// What kind of failure the calling thread saw last; a taken key is told apart from a lost
// connection so that "already registered" is only said when it is true.
enum class DbErrorKind
{
    None,
    DuplicateKey,
    Conflict, // deadlock or serialization failure: the unit was undone and may run again
    Refused,  // a guarded database's list refused the caller; the message is the reason's code
    Other
};

// The last database failure of the calling thread: every thread has a connection of its own,
// so each has its own last failure.
namespace DbError {

inline const QString kConnectionLost = QStringLiteral("connection to the database was lost");

void set(const QString& error, DbErrorKind kind = DbErrorKind::Other);
// Keeps a driver's failure with what it means on that backend.
void note(DbBackend backend, const QSqlError& error);
QString last();
DbErrorKind lastKind();

// The driver's text, or a stand-in when it gave none.
QString describe(const QSqlError& error);
// What a driver's error means: a taken key whichever way the driver reports its codes (one
// code, the last of several, or all of them joined), a conflict, or anything else.
DbErrorKind kindOf(DbBackend backend, const QString& nativeCode, const QString& databaseText);

} // namespace DbError
