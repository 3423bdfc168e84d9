#pragma once

#include "db/GuardedSetup.h"

// The steps of guarding a database, shared by the files of GuardedSetup only.
namespace GuardedSetup {

// The service tables as PostgreSQL names them, from the DDL itself.
QStringList serviceTables();
// Every right granted on the objects a guarded database protects, in a stable order (column "v").
QString rightsFingerprintSql();
// What of the guarded objects the client role can still reach, by any membership (column "v").
QString clientReachSql();
// Runs every step inside the caller's unit; false with *error at the first that fails.
bool runSteps(DbGateway& gateway, const QString& clientRole, const Say& say, bool* changed, QString* error);

} // namespace GuardedSetup
