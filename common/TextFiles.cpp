#include "common/TextFiles.h"

#include "common/Gbk.h"

#include <QFile>
#include <QStringEncoder>

#include <cstring>
#include <optional>

namespace {

// Lines per write: about a megabyte of numbers.
constexpr qsizetype kLinesPerWrite = 1 << 16;

// The usual mode for files the user saves where they choose.
constexpr QFile::Permissions kShared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                       QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner;

// A new file gets these permissions, less the umask; an existing file keeps its own.
bool appendLines(const QString& path, const LineList& lines, QFile::Permissions permissions, bool* encoded)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append, permissions) &&
           writeGbkLines(file, lines, encoded) && file.flush();
}

// Copies the ASCII lines from k on, each with CR LF, into one stretch of bytes; where they end.
qsizetype appendAsciiRun(const LineList& lines, qsizetype k, qsizetype to, QByteArray& bytes)
{
    qsizetype end = k;
    qsizetype size = 0;
    for (; end < to && !lines.isWide(end); ++end)
        size += lines.raw(end).size() + 2;
    const qsizetype at = bytes.size();
    bytes.resize(at + size);
    char* out = bytes.data() + at;
    for (; k < end; ++k) {
        const QByteArrayView line = lines.raw(k);
        std::memcpy(out, line.data(), std::size_t(line.size()));
        out += line.size();
        *out++ = '\r';
        *out++ = '\n';
    }
    return end;
}

} // namespace

bool AppendLogLine(const QString& path, const QString& text)
{
    const QByteArray bytes = Gbk::encode(text + QStringLiteral("\r\n"));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append, kShared) &&
           file.write(bytes) == bytes.size() && file.flush();
}

bool appendLogLines(const QString& path, const LineList& lines, bool* encoded)
{
    return appendLines(path, lines, kShared, encoded);
}

bool appendPrivateLines(const QString& path, const LineList& lines)
{
    return appendLines(path, lines, kPrivate, nullptr);
}

QByteArray gbkLines(const LineList& lines, qsizetype from, qsizetype to, bool* encoded)
{
    QByteArray bytes;
    bytes.reserve((to - from) * 14);
    // ASCII is GBK as it stands; only other lines need an encoder. Each such line goes in with
    // its CR LF, so nothing of it waits in the encoder's state.
    std::optional<QStringEncoder> gbk;
    for (qsizetype k = from; k < to; ++k) {
        if (!lines.isWide(k)) {
            k = appendAsciiRun(lines, k, to, bytes) - 1;
            continue;
        }
        if (!gbk)
            gbk.emplace("GBK");
        bytes.append(gbk->encode(lines.at(k) + QStringLiteral("\r\n")));
    }
    if (encoded)
        *encoded = !gbk || !gbk->hasError();
    return bytes;
}

bool writeGbkLines(QIODevice& device, const LineList& lines, bool* encoded)
{
    if (encoded)
        *encoded = true;
    for (qsizetype from = 0; from < lines.size(); from += kLinesPerWrite) {
        bool chunkEncoded = true;
        const QByteArray bytes =
            gbkLines(lines, from, std::min(lines.size(), from + kLinesPerWrite), &chunkEncoded);
        if (encoded && !chunkEncoded)
            *encoded = false;
        if (device.write(bytes) != bytes.size())
            return false;
    }
    return true;
}
