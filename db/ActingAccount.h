#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

class DbGateway;

// What an action needs of the account that asks for it.
enum class ActingRight
{
    Use,        // any account that may log in: submit, change its own details
    Administer, // administrator, agent or VIP user: the admin panel's actions
    Administrator
};

namespace ActingText {
// An account whose type no longer grants the action.
inline const QString notAllowed = QStringLiteral("提示: 当前帐号没有此操作的权限!");
} // namespace ActingText

// Reads the acting account's current type at the server, by its name and password, inside the
// caller's unit, so that a session that was disabled, demoted, deleted or given a new password
// elsewhere since its login can no longer act. A disabled account is refused with the login's
// own text. On success *type (when given) holds the stored type text.
Outcome DbCheckActing(DbGateway& gateway, const SessionUser& session, ActingRight right, QString* type = nullptr);

// Whether a stored type text grants the right.
bool typeGrants(const QString& type, ActingRight right);
