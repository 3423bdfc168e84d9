#pragma once

#include "db/SqlDialect.h"

#include <QStringList>

class DbGateway;

namespace Schema {

// The DDL of one backend, one statement per entry (ODBC and SQLite run one per call).
QStringList statements(DbBackend backend);
// Creates the missing tables and indexes; existing data is kept.
bool create(DbGateway& gateway, QString* error = nullptr);
// True when UserInfo exists and holds no account; a new database asks for its first
// administrator before anyone can log in.
bool needsFirstAdministrator(DbGateway& gateway);

} // namespace Schema
