#include "sending/NumberFile.h"

#include "app/Gbk.h"
#include "sending/NumberRules.h"

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

// Text decoded from GBK has one byte per ASCII character and two per other character, so
// the byte length needs no second encoding. Stops as soon as the answer is known.
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

// GBK trail bytes never take the values of CR or LF, so lines can be counted on the bytes.
qsizetype countLineEnds(const QByteArray& bytes)
{
    if (bytes.startsWith("\r\n"))
        return 0;
    return bytes.count("\r\n");
}

QString tooLarge()
{
    return QStringLiteral("提示: 文件过大(超过256MB),请分开导入!");
}

NumberFileRead refused(const QString& message)
{
    NumberFileRead read;
    read.message = message;
    return read;
}

} // namespace

NumberFileRead readNumberFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("提示: 无法打开文件 %1").arg(shownPath(path)));
    if (file.size() > kMaxFileBytes)
        return refused(tooLarge());
    // Devices that report no size get a bounded read instead.
    const QByteArray bytes = file.isSequential() ? file.read(kMaxFileBytes + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError)
        return refused(QStringLiteral("提示: 无法读取文件 %1").arg(shownPath(path)));
    if (bytes.size() > kMaxFileBytes)
        return refused(tooLarge());
    if (countLineEnds(bytes) > kMaxFileLines)
        return refused(QStringLiteral("提示: 文件过大(超过500万行),请分开导入!"));

    NumberFileRead read;
    read.ok = true;
    const QStringList lines = SplitLines(Gbk::decode(bytes));
    read.numbers.reserve(lines.size());
    for (const QString& line : lines) {
        if (longEnough(line))
            read.numbers.append(line);
    }
    return read;
}

bool exportNumbers(const QString& path, const QStringList& entries, QString* message)
{
    // One encoding pass for the whole list: an encoder per entry costs more than the write.
    QByteArray bytes;
    if (!entries.isEmpty())
        bytes = Gbk::encode(entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                         file.write(bytes) == bytes.size() && file.flush();
    if (!written && message)
        *message = QStringLiteral("提示: 无法写入文件 %1").arg(shownPath(path));
    return written;
}
