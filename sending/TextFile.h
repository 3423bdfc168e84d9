#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

// Text files as users have them: written on Windows (GBK, CR LF) or on Linux (UTF-8 with or
// without a byte-order mark, LF), with or without a line end after the last line.

// UTF-16 after its byte-order mark; UTF-8 when the whole text is valid UTF-8 (a byte-order mark is dropped),
// GBK otherwise.
QString decodeTextFile(const QByteArray& bytes);
bool isUtf16(const QByteArray& bytes);
// Lines split at LF; CR characters are removed and a last line without a line end counts.
QStringList textFileLines(const QString& text);

struct TextFileRead
{
    bool ok = false;
    QString message; // why the file was refused
    QByteArray bytes;
};

// Reads a whole regular file of at most maxBytes. Pipes, devices and folders are refused at
// once (a pipe without a writer would block the reader for ever), as are files holding NUL
// bytes, which no text file has. what names the file in messages ("文件", "关键字文件").
TextFileRead readTextFile(const QString& path, qint64 maxBytes, const QString& what);
// The same limits on a stream that is read to its end, standard input above all; name names it
// in messages.
TextFileRead readTextStream(QFile& stream, qint64 maxBytes, const QString& what, const QString& name);
