#pragma once

#include <QString>
#include <QStringList>

class QFile;

struct NumberFileRead
{
    bool ok = false;
    QString message;
    QStringList numbers;
};

// Reads a number list: every line longer than 5 GBK bytes, in order, as it stands. Files over
// 5,000,000 lines or 256 MiB, and files that yield nothing, are refused with a message that
// says why.
NumberFileRead readNumberFile(const QString& path);
// The same on a stream read to its end (standard input); name names it in messages.
NumberFileRead readNumberStream(QFile& stream, const QString& name);
// The same on bytes already read; path only names the file in messages.
NumberFileRead parseNumberFile(const QByteArray& bytes, const QString& path);

// Appends every entry plus CR LF in GBK, creating the file when missing. A character GBK cannot
// hold is written as '?' and *message then says so although the export succeeded.
bool exportNumbers(const QString& path, const QStringList& entries, QString* message);
