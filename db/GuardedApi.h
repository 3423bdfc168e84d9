#pragma once

#include <QString>

// Names a client needs to speak to a guarded PostgreSQL database; db/schema/guarded/README.md
// describes every function.
namespace GuardedApi {

inline const QString kSchema = QStringLiteral("kavrel_api");
// The role that owns the tables and functions; nobody logs in as it.
inline const QString kOwnerRole = QStringLiteral("kavrel_owner");
// The client's login role when the set-up is not told another.
inline const QString kDefaultClientRole = QStringLiteral("kavrel_client");
// The channel written parts are announced on. Must equal kavrel_api.alert_channel() and the
// channel of the open layout's trigger on Messages; tests hold them together.
inline const QString kAlertChannel = QStringLiteral("kavrel_waiting_batches");
// SQLSTATE of a refused list; the error's message is the refusal code.
inline const QString kRefusedState = QStringLiteral("KV001");
inline constexpr int kVersion = 1;

// Whether the open database answers as guarded: true only when kavrel_api.api_version() exists.
inline QString probe()
{
    return QStringLiteral("SELECT COALESCE(to_regprocedure('kavrel_api.api_version()') IS NOT NULL, false) "
                          "AS guarded");
}

} // namespace GuardedApi
