#include "db/SqlText.h"

namespace SqlText {

QString login()
{
    return QStringLiteral("SELECT loginName,userName,parentName,pwd,type,payMoney,status FROM UserInfo "
                          "WHERE (RTRIM(loginName)=?) and (RTRIM(pwd)=?)");
}

QString accountByName()
{
    return QStringLiteral("SELECT recvs,loginName FROM UserInfo WHERE (loginName=?)");
}

QString rechargeRows()
{
    return QStringLiteral("SELECT fullMoney,loginName FROM Moneys WHERE (loginName=?)");
}

QString insertMessage(const SqlDialect& dialect)
{
    return QStringLiteral(
               "INSERT INTO Messages (loginName,message,addDate,status,CountNum) VALUES (?,%1,%2,?,%1)")
        .arg(dialect.longText(), dialect.now());
}

QString insertPartKey(const SqlDialect& dialect)
{
    return QStringLiteral("INSERT INTO SubmittedParts (partKey,loginName,addDate) VALUES (?,?,%1)")
        .arg(dialect.now());
}

QString partKeyCount()
{
    return QStringLiteral("SELECT COUNT(*) AS parts FROM SubmittedParts WHERE (partKey=?)");
}

QString insertAccount(const SqlDialect& dialect)
{
    return QStringLiteral(
               "INSERT INTO UserInfo (loginName,userName,parentName,pwd,type,payMoney,addDate,status,"
               "recvs,Address,telephone) VALUES (?,?,?,?,?,0,%1,0,'0',?,?)")
        .arg(dialect.now());
}

QString insertTelPhone()
{
    return QStringLiteral("INSERT INTO TelPhone (loginName,Num,message,telPhone) VALUES (?,'0','0','0')");
}

QString accountExists()
{
    return QStringLiteral("SELECT COUNT(*) AS accounts FROM UserInfo WHERE (RTRIM(loginName)=?)");
}

} // namespace SqlText
