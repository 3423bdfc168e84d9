#include "db/RecordStatements.h"

#include "db/SqlDialect.h"

namespace RecordSql {

// 1 when the stored list gives at least one number: a comma after its first character.
QString listedWaiting()
{
    return QStringLiteral("SELECT CASE WHEN CountNum LIKE '%,%' AND CountNum NOT LIKE ',%' THEN 1 ELSE 0 END "
                          "AS listed FROM Messages WHERE id = ?");
}

// Account, content and number list are copied on the server, so they stay exactly as stored.
QString insertAudited(const SqlDialect& dialect)
{
    return QStringLiteral("INSERT INTO UserRecv (loginName,message,Num,recvs,addDate,tel) "
                          "SELECT loginName,message,?,?,%1,CountNum FROM Messages WHERE id = ?")
        .arg(dialect.now());
}

QString updateRate()
{
    return QStringLiteral(
        "UPDATE UserInfo SET recvs = ? WHERE RTRIM(loginName) = (SELECT RTRIM(loginName) FROM Messages "
        "WHERE id = ?)");
}

QString deleteWaiting()
{
    return QStringLiteral("DELETE FROM Messages WHERE id = ?");
}

QString deleteAudited()
{
    return QStringLiteral("DELETE FROM UserRecv WHERE id = ?");
}

} // namespace RecordSql
