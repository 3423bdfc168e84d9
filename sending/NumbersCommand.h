#pragma once

#include <QStringList>

// kavrel-numbers: cleans number lists from scripts. Reads number files as the client's import
// does and writes them as its export does. Returns the exit status: 0 done, 1 wrong usage, 2 a
// file that cannot be read or written.
namespace NumbersCommand {

int run(const QStringList& arguments);

} // namespace NumbersCommand
