#include "sending/NumberFile.h"

#include "common/TextFiles.h"
#include "sending/NumberReader.h"
#include "sending/TextFile.h"

#include <QDir>

namespace {

constexpr qsizetype kMaxFileLines = 5'000'000;

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

NumberFileRead refused(const QString& message)
{
    NumberFileRead read;
    read.message = message;
    return read;
}

} // namespace

QString numberFileRefusal(const QByteArray& bytes, const QString& path)
{
    if (bytes.count('\n') > kMaxFileLines)
        return QStringLiteral("提示: 文件过大(超过500万行),请分开导入!");
    if (bytes.isEmpty())
        return QStringLiteral("提示: 文件 %1 是空的,没有导入任何号码!").arg(shownPath(path));
    return {};
}

QString noNumbersMessage(const QString& path)
{
    return QStringLiteral("提示: 文件 %1 中没有长度超过5个字节的行,没有导入任何号码!").arg(shownPath(path));
}

NumberFileRead parseNumberFile(QByteArray bytes, const QString& path)
{
    if (const QString refusal = numberFileRefusal(bytes, path); !refusal.isEmpty())
        return refused(refusal);
    NumberFileRead read;
    read.numbers = numberLines(std::move(bytes));
    if (read.numbers.isEmpty())
        return refused(noNumbersMessage(path));
    read.ok = true;
    return read;
}

NumberFileRead readNumberFile(const QString& path)
{
    TextFileRead file = readTextFile(path, kMaxNumberFileBytes, QStringLiteral("文件"));
    if (!file.ok)
        return refused(file.message);
    return parseNumberFile(std::move(file.bytes), path);
}

NumberFileRead readNumberStream(QFile& stream, const QString& name)
{
    TextFileRead read = readTextStream(stream, kMaxNumberFileBytes, QStringLiteral("文件"), name);
    if (!read.ok)
        return refused(read.message);
    return parseNumberFile(std::move(read.bytes), name);
}

bool exportNumbers(const QString& path, const LineList& entries, QString* message)
{
    bool encoded = true;
    const bool written = appendLogLines(path, entries, &encoded);
    if (!written && message)
        *message = QStringLiteral("提示: 无法写入文件 %1").arg(shownPath(path));
    else if (!encoded && message)
        *message =
            QStringLiteral("提示: 号码已导出到 %1,其中无法以GBK保存的字符已写成\"?\"!").arg(shownPath(path));
    return written;
}
