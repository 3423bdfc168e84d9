#pragma once

#include "db/SqlDialect.h"

#include <QString>

// Statement texts, with `?` for every value. Accounts are matched on their names and
// passwords without trailing blanks, as SQL Server compares them, on every backend.
namespace SqlText {

QString login();
QString accountByName();
QString rechargeRows();
QString insertMessage(const SqlDialect& dialect);
QString insertPartKey(const SqlDialect& dialect);
QString partKeyCount();
QString insertAccount(const SqlDialect& dialect);
QString insertTelPhone();
QString accountExists();

} // namespace SqlText
