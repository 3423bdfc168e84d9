#pragma once

#include "db/GuardedSetup.h"

// The steps of guarding a database, shared by the files of GuardedSetup only.
namespace GuardedSetup {

// The service tables as PostgreSQL names them, from the DDL itself.
QStringList serviceTables();
// Runs every step inside the caller's unit; false with *error at the first that fails.
bool runSteps(DbGateway& gateway, const QString& clientRole, const Say& say, bool* changed, QString* error);

} // namespace GuardedSetup
