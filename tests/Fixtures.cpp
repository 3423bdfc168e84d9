#include "Fixtures.h"
#include "TestDatabases.h"

#include "db/DbGateway.h"
#include "db/LoginStatements.h"

#include <QFile>
#include <QTest>

namespace Fixtures {

qint64 lastId(DbGateway& gateway, const QString& table)
{
    DbRows rows = TestDb::owner(gateway).DbQuery(QStringLiteral("SELECT MAX(id) AS n FROM ") + table);
    return rows.atEnd() ? -1 : rows.number(QStringLiteral("n"));
}

qint64 addWaiting(DbGateway& gateway, const Waiting& row)
{
    const bool added = TestDb::owner(gateway).DbExecute(
        QStringLiteral("INSERT INTO Messages (loginName,message,addDate,status,CountNum) VALUES (?,?,?,?,?)"),
        {row.account, row.message, row.time, row.status, row.numbers});
    QTest::qVerify(added, "addWaiting", "", __FILE__, __LINE__);
    return lastId(gateway, QStringLiteral("Messages"));
}

qint64 addAudited(DbGateway& gateway, const Audited& row)
{
    const bool added = TestDb::owner(gateway).DbExecute(
        QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) VALUES (?,?,?,?,?,?)"),
        {row.account, row.message, row.count, row.rate, row.time, row.numbers});
    QTest::qVerify(added, "addAudited", "", __FILE__, __LINE__);
    return lastId(gateway, QStringLiteral("UserRecv"));
}

void addOptedOut(DbGateway& gateway, const QStringList& numbers)
{
    for (const QString& number : numbers) {
        const bool added = TestDb::owner(gateway).DbExecute(
            QStringLiteral("INSERT INTO OptOut (tel,addDate) VALUES (?,'2011-03-05 15:04:09')"), {number});
        QTest::qVerify(added, "addOptedOut", qPrintable(number), __FILE__, __LINE__);
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<ReportRow> walk(DbGateway& gateway, const ListQuery::Walk& query, Outcome* outcome)
{
    QList<ReportRow> rows;
    const Outcome result = query(gateway, [&](ReportRow row) {
        rows.append(std::move(row));
        return true;
    });
    if (outcome)
        *outcome = result;
    return rows;
}

SessionUser logIn(DbGateway& gateway, const QString& loginName, const QString& password)
{
    SessionUser session;
    session.loginName = loginName;
    session.password = password;
    const bool accepted = DbLogin(gateway, session, loginName, password).result == LoginResult::Accepted;
    QTest::qVerify(accepted, "logIn", qPrintable(loginName), __FILE__, __LINE__);
    return session;
}

} // namespace Fixtures
