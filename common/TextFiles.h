#pragma once

#include <QString>
#include <QStringList>

// Files the client writes (exports, logs) are GBK with CR LF after every line, appended in one
// write and created when missing.

// Appends the GBK text plus CR LF in one write.
bool AppendLogLine(const QString& path, const QString& text);
// The same bytes as AppendLogLine for every line, with a single open.
bool appendLogLines(const QString& path, const QStringList& lines);
// The same bytes; a file it creates is for its owner only (logs naming accounts and numbers).
bool appendPrivateLines(const QString& path, const QStringList& lines);
