#pragma once

#include "common/LineList.h"

#include <QString>

// The largest file the import reads.
inline constexpr qint64 kMaxNumberFileBytes = 256LL * 1024 * 1024;

class QFile;

struct NumberFileRead
{
    bool ok = false;
    QString message;
    LineList numbers;
};

// Reads a number list: every line longer than 5 GBK bytes, in order, as it stands. Files over
// 5,000,000 lines or 256 MiB, and files that yield nothing, are refused with a message that
// says why.
NumberFileRead readNumberFile(const QString& path);
// The same on a stream read to its end (standard input); name names it in messages.
NumberFileRead readNumberStream(QFile& stream, const QString& name);
// The same on bytes already read; path only names the file in messages.
NumberFileRead parseNumberFile(QByteArray bytes, const QString& path);
// What the import refuses before it reads lines: a file over the line limit, an empty file.
QString numberFileRefusal(const QByteArray& bytes, const QString& path);
// Why a file that yielded no numbers is refused.
QString noNumbersMessage(const QString& path);

// Appends every entry plus CR LF in GBK, creating the file when missing. A character GBK cannot
// hold is written as '?' and *message then says so although the export succeeded.
bool exportNumbers(const QString& path, const LineList& entries, QString* message);
