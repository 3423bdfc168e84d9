#pragma once

#include <QStringList>

// SQL scripts with function bodies, which a split at every semicolon would cut apart.
namespace SqlScript {

// The statements of a script, split at semicolons outside quotes, quoted names and dollar
// quotes; "--" comments are dropped.
QStringList split(const QString& text);

} // namespace SqlScript
