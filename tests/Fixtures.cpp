#include "Fixtures.h"
#include "TestDatabases.h"

#include "common/Gbk.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace Fixtures {
namespace {

QString randomLine(QRandomGenerator& random, bool ascii)
{
    const int kind = random.bounded(14);
    switch (ascii && (kind == 2 || kind == 5 || kind == 6) ? 7 : kind) {
    case 0:
        return {};
    case 1:
        return QString::number(random.bounded(1000000)); // up to 6 bytes: kept or not
    case 2:
        return QStringLiteral("号码%1").arg(random.bounded(100));
    case 3: {
        QString line;
        for (int k = random.bounded(200, 3000); k > 0; --k)
            line.append(QChar(u'0' + random.bounded(10)));
        return line;
    }
    case 4:
        return QStringLiteral("139 1234\r5678,");
    case 5:
        return QStringLiteral("手机😀%1").arg(random.bounded(10));
    case 6:
        return QString(QChar(0xD800)) + QStringLiteral("12345"); // a lone surrogate
    default:
        return QString::number(13800000000LL + random.bounded(40)); // repeats
    }
}

QByteArray encodeLine(QRandomGenerator& random, FileEncoding encoding, const QString& line)
{
    QByteArray bytes;
    switch (encoding) {
    case FileEncoding::Utf8:
    case FileEncoding::Utf8Bom:
    case FileEncoding::AsciiBom:
        return line.toUtf8();
    case FileEncoding::Utf16Le:
    case FileEncoding::Utf16Be:
        for (QChar c : line) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            bytes.append(encoding == FileEncoding::Utf16Le ? low : high)
                .append(encoding == FileEncoding::Utf16Le ? high : low);
        }
        return bytes;
    case FileEncoding::OddBytes:
        bytes = Gbk::encode(line);
        if (random.bounded(3) == 0)
            bytes.insert(random.bounded(bytes.size() + 1),
                         "\x80\x81\xFF\xC0\xED\xE4\xBF\xFE\x00"[random.bounded(9)]);
        return bytes;
    case FileEncoding::Ascii:
    case FileEncoding::Gbk:
        break;
    }
    return Gbk::encode(line);
}

} // namespace

QByteArray randomNumberFile(QRandomGenerator& random, FileEncoding encoding, int lines, bool crlf)
{
    QByteArray bytes;
    if (encoding == FileEncoding::Utf8Bom || encoding == FileEncoding::AsciiBom)
        bytes = "\xEF\xBB\xBF";
    else if (encoding == FileEncoding::Utf16Le || encoding == FileEncoding::Utf16Be)
        bytes = encoding == FileEncoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF";
    const QByteArray end =
        encodeLine(random, encoding == FileEncoding::OddBytes ? FileEncoding::Gbk : encoding,
                   crlf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
    for (int k = 0; k < lines; ++k) {
        const bool ascii = encoding == FileEncoding::Ascii || encoding == FileEncoding::AsciiBom;
        bytes += encodeLine(random, encoding, randomLine(random, ascii));
        if (k + 1 < lines || random.bounded(2) == 0)
            bytes += end;
    }
    return bytes;
}

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
