#pragma once

#include <QString>

class DbGateway;
struct SessionUser;

// What every hosted page needs from the program: the database, the logged-in account and the
// start folder where saves and logs go. Handed down by the main window.
struct PageContext
{
    DbGateway& gateway;
    SessionUser& session;
    QString startFolder;
};
