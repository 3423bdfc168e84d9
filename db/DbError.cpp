#include "db/DbError.h"

#include "db/GuardedApi.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

namespace {

thread_local QString t_lastError;
thread_local DbErrorKind t_lastErrorKind = DbErrorKind::None;

// PostgreSQL 40P01 (deadlock) and 40001 (serialization); SQL Server 1205 (deadlock victim).
bool isConflict(const QString& code)
{
    return code == QStringLiteral("40P01") || code == QStringLiteral("40001") ||
           code == QStringLiteral("1205") || code.startsWith(QStringLiteral("1205 "));
}

// The codes of a taken key on each server.
QStringList duplicateCodes(DbBackend backend)
{
    switch (backend) {
    case DbBackend::Sqlite:
        return {QStringLiteral("2067"), QStringLiteral("1555")}; // unique, primary key
    case DbBackend::Postgres:
        return {QStringLiteral("23505")};
    case DbBackend::SqlServer:
        return {QStringLiteral("2627"), QStringLiteral("2601")}; // constraint, unique index
    }
    return {};
}

// SQL Server follows a taken key with 3621 ("The statement has been terminated"). Qt 6.4's
// ODBC driver reports only the last code, with the texts of all messages joined; later
// versions join every code with ';'. The texts then still tell, in English or Chinese.
const QStringList kSqlServerDuplicateTexts = {QStringLiteral("Violation of UNIQUE KEY constraint"),
                                              QStringLiteral("Violation of PRIMARY KEY constraint"),
                                              QStringLiteral("Cannot insert duplicate key"),
                                              QStringLiteral("重复键")};

} // namespace

namespace DbError {

void set(const QString& error, DbErrorKind kind)
{
    t_lastError = error;
    t_lastErrorKind = kind;
}

void note(DbBackend backend, const QSqlError& error)
{
    set(describe(error), kindOf(backend, error.nativeErrorCode(), error.databaseText()));
}

QString last()
{
    return t_lastError;
}

DbErrorKind lastKind()
{
    return t_lastErrorKind;
}

QString describe(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

DbErrorKind kindOf(DbBackend backend, const QString& nativeCode, const QString& databaseText)
{
    if (isConflict(nativeCode))
        return DbErrorKind::Conflict;
    if (backend == DbBackend::Postgres && nativeCode == GuardedApi::kRefusedState)
        return DbErrorKind::Refused;
    static const QRegularExpression notDigits(QStringLiteral("[^0-9]+"));
    const QStringList codes = duplicateCodes(backend);
    for (const QString& code : nativeCode.split(notDigits, Qt::SkipEmptyParts)) {
        if (codes.contains(code))
            return DbErrorKind::DuplicateKey;
    }
    if (backend == DbBackend::SqlServer) {
        for (const QString& text : kSqlServerDuplicateTexts) {
            if (databaseText.contains(text, Qt::CaseInsensitive))
                return DbErrorKind::DuplicateKey;
        }
    }
    return DbErrorKind::Other;
}

} // namespace DbError
