#include "common/TextFiles.h"

#include "common/Gbk.h"

#include <QFile>

namespace {

// A new file gets these permissions, less the umask; an existing file keeps its own.
bool appendBytes(const QString& path, const QByteArray& bytes, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append, permissions) &&
           file.write(bytes) == bytes.size() && file.flush();
}

// The usual mode for files the user saves where they choose.
constexpr QFile::Permissions kShared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                       QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner;

QByteArray encodeLines(const QStringList& lines)
{
    return lines.isEmpty() ? QByteArray()
                           : Gbk::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

} // namespace

bool AppendLogLine(const QString& path, const QString& text)
{
    return appendBytes(path, Gbk::encode(text + QStringLiteral("\r\n")), kShared);
}

bool appendLogLines(const QString& path, const QStringList& lines)
{
    return appendBytes(path, encodeLines(lines), kShared);
}

bool appendPrivateLines(const QString& path, const QStringList& lines)
{
    return appendBytes(path, encodeLines(lines), kPrivate);
}
