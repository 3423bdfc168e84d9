#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class DbGateway;

// Turns an open PostgreSQL database into a guarded one, where the client's login reaches no table
// and acts only through the functions of kavrel_api, which check every caller's session and rights.
namespace GuardedSetup {

// Whether the open database is guarded.
bool isGuarded(DbGateway& gateway);
// Whether the PostgreSQL database holds none of the service tables yet.
bool isNew(DbGateway& gateway);

// The private tables' statements, and the functions' in load order with pgcrypto's schema filled in.
QStringList layoutStatements();
QStringList functionStatements(const QString& cryptoSchema);

struct Result
{
    bool ok = false;
    bool changed = false;
    QString error;
};
using Say = std::function<void(const QString&)>;

// Guards the database on a connection with the rights to do so (a superuser's), as one unit:
// the owner and client roles, pgcrypto, the schemas, the tables' owner, the functions, bcrypt
// hashes of the stored passwords and the rights. The service tables must exist. Each step says
// in a line what it did or found; a step that finds its work done changes nothing, and a failure
// undoes every step. clientRole is the login the clients use (created when missing, without a
// password); it must not be the set-up's own role, a superuser or able to create roles.
Result guard(DbGateway& gateway, const QString& clientRole, const Say& say);

} // namespace GuardedSetup
