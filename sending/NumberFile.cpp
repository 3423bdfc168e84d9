#include "sending/NumberFile.h"

#include "common/Gbk.h"
#include "sending/TextFile.h"

#include <QDir>
#include <QFile>

namespace {

constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
constexpr qsizetype kMaxFileLines = 5'000'000;
constexpr qsizetype kMinKeptBytes = 6;

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Length in GBK bytes: one per ASCII character, two for any other. Stops as soon as the answer
// is known.
bool longEnough(const QString& line)
{
    qsizetype bytes = 0;
    for (QChar c : line) {
        bytes += c.unicode() < 0x80 ? 1 : 2;
        if (bytes >= kMinKeptBytes)
            return true;
    }
    return false;
}

NumberFileRead refused(const QString& message)
{
    NumberFileRead read;
    read.message = message;
    return read;
}

} // namespace

NumberFileRead parseNumberFile(const QByteArray& bytes, const QString& path)
{
    if (bytes.count('\n') > kMaxFileLines)
        return refused(QStringLiteral("提示: 文件过大(超过500万行),请分开导入!"));
    if (bytes.isEmpty())
        return refused(QStringLiteral("提示: 文件 %1 是空的,没有导入任何号码!").arg(shownPath(path)));
    NumberFileRead read;
    const QStringList lines = textFileLines(decodeTextFile(bytes));
    read.numbers.reserve(lines.size());
    for (const QString& line : lines) {
        if (longEnough(line))
            read.numbers.append(line);
    }
    if (read.numbers.isEmpty())
        return refused(
            QStringLiteral("提示: 文件 %1 中没有长度超过5个字节的行,没有导入任何号码!").arg(shownPath(path)));
    read.ok = true;
    return read;
}

NumberFileRead readNumberFile(const QString& path)
{
    const TextFileRead file = readTextFile(path, kMaxFileBytes, QStringLiteral("文件"));
    if (!file.ok)
        return refused(file.message);
    return parseNumberFile(file.bytes, path);
}

NumberFileRead readNumberStream(QFile& stream, const QString& name)
{
    const TextFileRead read = readTextStream(stream, kMaxFileBytes, QStringLiteral("文件"), name);
    if (!read.ok)
        return refused(read.message);
    return parseNumberFile(read.bytes, name);
}

bool exportNumbers(const QString& path, const QStringList& entries, QString* message)
{
    // One encoding pass for the whole list: an encoder per entry costs more than the write.
    QByteArray bytes;
    bool encoded = true;
    if (!entries.isEmpty())
        bytes = Gbk::encode(entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &encoded);
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                         file.write(bytes) == bytes.size() && file.flush();
    if (!written && message)
        *message = QStringLiteral("提示: 无法写入文件 %1").arg(shownPath(path));
    else if (!encoded && message)
        *message =
            QStringLiteral("提示: 号码已导出到 %1,其中无法以GBK保存的字符已写成\"?\"!").arg(shownPath(path));
    return written;
}
