#pragma once

#include "db/ListQuery.h"
#include "db/SessionUser.h"

#include <QByteArray>
#include <QString>

class DbGateway;
class QRandomGenerator;

// Rows, files and sessions that the tests of several areas set up alike.
namespace Fixtures {

// A batch waiting for its audit: a Messages row. Each field has the value most tests want.
struct Waiting
{
    QString account = QStringLiteral("alice");
    QString message = QStringLiteral("hello");
    QString time = QStringLiteral("2011-03-05 15:04:09");
    QString numbers = QStringLiteral("13800000001,");
    QString status = QStringLiteral("3");
};
// An audited batch: a UserRecv row.
struct Audited
{
    QString account = QStringLiteral("alice");
    QString message = QStringLiteral("hello");
    QString count = QStringLiteral("2");
    QString rate = QStringLiteral("98");
    QString time = QStringLiteral("2011-03-05 15:04:09");
    QString numbers = QStringLiteral("13800000001,13800000002,");
};

// Each returns the new row's id; an insert that fails fails the test.
qint64 addWaiting(DbGateway& gateway, const Waiting& row = {});
qint64 addAudited(DbGateway& gateway, const Audited& row = {});
// Puts numbers on the opt-out list straight into its table.
void addOptedOut(DbGateway& gateway, const QStringList& numbers);
qint64 lastId(DbGateway& gateway, const QString& table);

bool writeFile(const QString& path, const QByteArray& bytes);

// Number files as users hand them over: numbers with many repeats among empty, short, long and
// Chinese lines, stray CRs and characters GBK cannot hold, in one encoding (ASCII: without the
// Chinese lines); OddBytes is GBK with bytes that are neither GBK nor UTF-8 strewn in. The last
// line may lack its line end.
enum class FileEncoding
{
    Ascii,
    AsciiBom,
    Gbk,
    Utf8,
    Utf8Bom,
    Utf16Le,
    Utf16Be,
    OddBytes
};
QByteArray randomNumberFile(QRandomGenerator& random, FileEncoding encoding, int lines, bool crlf);
QByteArray readFile(const QString& path);

// Runs a list query's walk to its end on the calling thread; outcome, when given, gets how it
// ended.
QList<ReportRow> walk(DbGateway& gateway, const ListQuery::Walk& query, Outcome* outcome = nullptr);

// The session of an accepted login, as the login dialog leaves it; a refusal fails the test.
SessionUser logIn(DbGateway& gateway, const QString& loginName, const QString& password);

} // namespace Fixtures
