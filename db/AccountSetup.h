#pragma once

#include "db/Outcome.h"

class DbGateway;

// Creating the first administrator of a new database. There is never a built-in password:
// the operator names the account and its password.
namespace AccountSetup {

struct Administrator
{
    QString loginName;
    QString password;
    QString repeatedPassword;
    QString nickname;
    QString company;
};

// Empty when the fields may be stored; otherwise the message for the first fault. Blanks are
// removed from the name and passwords before checking, as every account form does.
QString validate(Administrator& account);
// Validates, then writes the UserInfo and TelPhone rows as one unit.
Outcome createAdministrator(DbGateway& gateway, Administrator account);

} // namespace AccountSetup
