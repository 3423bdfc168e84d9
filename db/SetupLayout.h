#pragma once

#include <QString>

class DbGateway;
class QCommandLineParser;
struct DbConfig;

// kavrel-setup's choice of layout for a PostgreSQL database: a new one is guarded unless --open
// asks for the open layout; an open one is converted with --guard.
namespace SetupLayout {

void addOptions(QCommandLineParser& parser);
// Why the options do not suit the database, before anything is touched; empty when they do.
QString refusal(const DbConfig& config, const QCommandLineParser& parser);
// Whether the database is a PostgreSQL one without the service tables; ask before creating them.
bool isNew(DbGateway& gateway);
// Applies the layout once the tables exist, telling each step on standard output. Returns the
// program's exit status.
int apply(DbGateway& gateway, bool fresh, const QCommandLineParser& parser);

} // namespace SetupLayout
