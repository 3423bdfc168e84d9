#pragma once

#include "db/Outcome.h"
#include "db/UnitOutcome.h"

#include <QHash>
#include <QStringList>
#include <QVariantList>

#include <memory>

class DbGateway;
class SessionToken;
struct SessionUser;

// Texts of the refusals a guarded database gives any caller, and of its limit on failed logins.
namespace GuardedText {
inline const QString sessionEnded = QStringLiteral("提示: 登录已失效,请重新登录!");
inline const QString sessionExpired = QStringLiteral("提示: 长时间没有操作,登录已过期,请重新登录!");
inline const QString accountChanged = QStringLiteral("提示: 帐号的密码或类型已被修改,请重新登录!");
// %1: when to try again, "YYYY-MM-DD HH:MM:SS".
inline const QString tooManyFailures = QStringLiteral("提示: 密码错误次数过多,请于 %1 之后再试!");
inline const QString cannotStore = QStringLiteral("提示: 填写的内容不能保存,请检查后再试!");
// The reason given where a guarded database has a statement only as part of a larger call.
inline const QString partOfOneCall =
    QStringLiteral("a guarded database writes, charges and counts a message part in one call");
} // namespace GuardedText

// Calling the functions of a guarded database (db/schema/guarded/README.md).
namespace Guarded {

// The token a call acts with: the session's own. A session without one (a worker's copy of the
// account's name) acts with the login made through the gateway, when that login is the same
// account's; otherwise with none, which the server refuses.
QString tokenOf(DbGateway& gateway, const SessionUser& session);
// The holder of that token, which a change of the account's own password renews; empty when none.
std::shared_ptr<SessionToken> holderOf(DbGateway& gateway, const SessionUser& session);
// The token of the login made through the gateway, for the calls that take no session.
QString gatewayToken(DbGateway& gateway);

// The text of a refusal that concerns the caller itself (its session ended or expired, its account
// disabled or changed, its type without the right); empty for any other code.
QString callerRefusal(const QString& code);
// Whether the text is one a refused caller is told: the next call would only be refused again.
bool refusesCaller(const QString& text);
// The refusal code a refused list's error carries; empty when the error is not such a refusal.
QString listRefusal(const QString& error);
// A failed list: the refusal's text when it was refused, else fallback with the database's words.
Outcome listFailure(const QString& fallback, const QString& error);

// The answer of one function that answers with one row.
struct Reply
{
    enum Status
    {
        Answered,
        Failed, // no answer, and the server did not run it
        Lost    // no answer, and the connection went: the server may have run it
    };
    Status status = Failed;
    QString code;
    QString reason; // the database's words when not answered
    QHash<QString, QString> columns;

    bool ok() const { return status == Answered && code == QStringLiteral("ok"); }
    QString text(const QString& column) const { return columns.value(column); }
    qint64 number(const QString& column) const { return columns.value(column).toLongLong(); }
};

// Runs SELECT code and the columns (as text, NULL as empty) FROM kavrel_api.function(args), outside
// any unit: each function is a unit of its own at the server.
Reply call(DbGateway& gateway, const QString& function, const QVariantList& args,
           const QStringList& columns = {});

// How a call that was not answered ended: when its connection went, asks on a fresh connection
// whether its change is there, as units do after a lost commit.
UnitResult settle(DbGateway& gateway, const Reply& reply, const ChangeFound& found);
// What such a call tells: success when the change was found, doubt, or the failure text.
Outcome unanswered(DbGateway& gateway, const Reply& reply, const ChangeFound& found, const QString& failure,
                   const QString& success = {});

// SELECT * FROM kavrel_api.function(?, ...), one mark per argument.
QString listStatement(const QString& function, int arguments);
// A text argument that the function takes as NULL when empty.
QVariant orNull(const QString& text);

} // namespace Guarded
