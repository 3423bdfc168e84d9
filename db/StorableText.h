#pragma once

#include <QString>

// Account fields must come back from the database exactly as they were typed, or the account
// could never log in again. Empty when the text can be stored as it is; otherwise a message
// that names the first character the database or the GBK code page cannot keep: NUL and other
// control characters, unpaired surrogates, and characters outside GBK.
QString unstorableCharacter(const QString& text);
