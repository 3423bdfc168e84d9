#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

class DbGateway;
class SqlDialect;

namespace GuardText {
// An administrator may not take its own rights away: the service could be left without one.
inline const QString ownAccount =
    QStringLiteral("提示: %1 是当前登录的帐号,不能禁用、改变类型或删除自己的帐号,以免系统没有管理员!");
} // namespace GuardText

namespace GuardSql {
// Locks the rows of two accounts in name order and tells which row is which.
QString lockPair(const SqlDialect& dialect);
} // namespace GuardSql

// Before an administrator disables, retypes or deletes target, inside the caller's unit: locks
// the rows of target and of the acting account, always in name order so that two such units
// never wait on each other in a circle; checks that the acting account is still an
// administrator; and refuses the acting account as its own target. The server compares the
// names as every statement does, so a name stored with trailing blanks, or typed in another
// letter case on SQL Server, is still the acting account. The acting administrator's row stays
// locked until the unit ends, so the target is never the last enabled administrator.
Outcome DbGuardAccountChange(DbGateway& gateway, const SessionUser& acting, const QString& target);
