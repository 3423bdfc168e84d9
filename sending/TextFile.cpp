#include "sending/TextFile.h"

#include "common/Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

TextFileRead refused(const QString& message)
{
    TextFileRead read;
    read.message = message;
    return read;
}

} // namespace

bool isUtf16(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

namespace {

TextFileRead checkedText(QByteArray bytes, qint64 maxBytes, const QString& what, const QString& name)
{
    if (bytes.size() > maxBytes)
        return refused(QStringLiteral("提示: %1过大(超过%2MB),请分开导入!").arg(what).arg(maxBytes >> 20));
    if (!isUtf16(bytes) && bytes.contains('\0'))
        return refused(QStringLiteral("提示: %1 %2 不是文本文件,不能读取!").arg(what, name));
    TextFileRead read;
    read.ok = true;
    read.bytes = std::move(bytes);
    return read;
}

} // namespace

QString decodeTextFile(const QByteArray& bytes)
{
    // Windows editors save "Unicode" text as UTF-16 with a byte-order mark.
    if (isUtf16(bytes)) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        return utf16.decode(bytes.mid(2));
    }
    static const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray body = bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return Gbk::decode(bytes);
}

QStringList textFileLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line.remove(QLatin1Char('\r'));
    return lines;
}

TextFileRead readTextFile(const QString& path, qint64 maxBytes, const QString& what)
{
    const QByteArray local = QFile::encodeName(path);
    // Non-blocking, so that opening a pipe without a writer returns at once.
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refused(QStringLiteral("提示: 无法打开%1 %2").arg(what, shownPath(path)));
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refused(QStringLiteral("提示: %1 %2 不是普通文件,不能读取!").arg(what, shownPath(path)));
    }
    if (info.st_size > maxBytes) {
        ::close(fd);
        return refused(QStringLiteral("提示: %1过大(超过%2MB),请分开导入!").arg(what).arg(maxBytes >> 20));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused(QStringLiteral("提示: 无法打开%1 %2").arg(what, shownPath(path)));
    }
    TextFileRead read;
    read.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refused(QStringLiteral("提示: 无法读取%1 %2").arg(what, shownPath(path)));
    return checkedText(std::move(read.bytes), maxBytes, what, shownPath(path));
}

TextFileRead readTextStream(QFile& stream, qint64 maxBytes, const QString& what, const QString& name)
{
    // In pieces: a pipe has no size to allocate for, and one that never ends must not exhaust memory.
    constexpr qint64 kPiece = 1 << 20;
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray piece = stream.read(kPiece);
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (stream.error() != QFileDevice::NoError)
        return refused(QStringLiteral("提示: 无法读取%1 %2").arg(what, name));
    return checkedText(std::move(bytes), maxBytes, what, name);
}
