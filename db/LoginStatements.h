#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

class DbGateway;

enum class LoginResult
{
    Accepted,
    Rejected,
    Disabled,
    Failed
};

struct LoginOutcome
{
    LoginResult result = LoginResult::Failed;
    QString message; // shown to the user; empty for Accepted and Rejected
};

// Messages the statements hand to their callers.
namespace LoginText {
inline const QString disabled = QStringLiteral("提示:管理禁用此用户登陆!");
inline const QString readFailed = QStringLiteral("连接错误或网络卡线!");
inline const QString wrongPassword = QStringLiteral("帐号或密码错误!");
inline const QString insertFailed = QStringLiteral("err2");
} // namespace LoginText

// Checks the pair and fills the session with the account's labels, figures and rights. A
// disabled account gives Disabled; the login dialog then ends the program.
LoginOutcome DbLogin(DbGateway& gateway, SessionUser& session, const QString& loginName,
                     const QString& password);

// Ends the session's login on a guarded database, so that its token is refused from then on (the
// open layout keeps no session). For the program's end: it waits at most kEndSessionWaitMs for
// the server, opens no connection, tells nothing and leaves the session without its token.
inline constexpr int kEndSessionWaitMs = 1000;
void DbEndSession(DbGateway& gateway, SessionUser& session);

// Checks another account's name and password for the profile and user pages. The session is
// left alone and nothing ends the program; a disabled account is refused with its message.
LoginOutcome DbVerifyAccount(DbGateway& gateway, const QString& loginName, const QString& password);

// Sum of the account's balance changes, never below 0, into session.rechargeTotal. A failed
// read reports "连接错误或网络卡线!" and leaves 0 when nothing was summed before.
Outcome DbSumRecharges(DbGateway& gateway, SessionUser& session, const QString& loginName);

// One message part of a submission: one Messages row with the server's time. With a part key,
// the key is recorded too (in the caller's unit), so that a part whose commit went unanswered
// can be looked up afterwards with DbPartWritten.
Outcome DbInsertMessage(DbGateway& gateway, const QString& loginName, const QString& part,
                        const QString& countText, const QString& numberList, const QString& partKey = {});
// Whether the part of that key was written: true or false in *written, or a failure when the
// database cannot be asked.
Outcome DbPartWritten(DbGateway& gateway, const QString& partKey, bool* written);

Outcome DbReadSuccessRate(DbGateway& gateway, SessionUser& session, const QString& loginName);
