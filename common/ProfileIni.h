#pragma once

#include <QString>

// Reads and writes settings files in the Windows private-profile format ("[Section]" lines
// followed by "Key=Value" lines, GBK text, CR LF), so that a KVR.ini carried over from a
// Windows installation keeps working. Section and key names match without regard to case.
namespace ProfileIni {

QString readString(const QString& path, const QString& section, const QString& key, const QString& fallback);
// Leading digits of the value (an optional sign first); a present value without digits is 0.
int readInt(const QString& path, const QString& section, const QString& key, int fallback);

// Replaces or adds one key and keeps every other line. The file is readable by its owner
// only, since it may hold a password.
bool writeString(const QString& path, const QString& section, const QString& key, const QString& value);

} // namespace ProfileIni
