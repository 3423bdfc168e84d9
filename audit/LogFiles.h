#pragma once

#include "common/TextFiles.h"

#include <QDateTime>
#include <QString>

enum class LogKind
{
    Unique,   // "[N]" prefix
    Repeated, // "[Y]" prefix
    Listed    // no prefix
};

// "<dir>/LOG/<prefix><account>-yyyy-MM-dd-HH-mm-ss.txt" in local time. Characters that could
// leave the LOG folder or are not allowed in file names are replaced by '_'.
QString logFilePath(const QString& dir, LogKind kind, const QString& account, const QDateTime& when);

struct LogSave
{
    bool ok = false;
    QString path;
    QString message;
};

// Writes the content as the first line, then one line per entry, appending when the file
// already exists. The LOG folder is created when missing.
LogSave saveLogList(const QString& dir, LogKind kind, const QString& account, const QString& content,
                    const LineList& entries, const QDateTime& when);
