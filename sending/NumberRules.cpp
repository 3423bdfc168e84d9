#include "sending/NumberRules.h"

#include "common/Gbk.h"
#include "db/StorableText.h"

namespace {

QString lineWithoutBreaks(const QChar* begin, qsizetype length, bool hasStrayBreak)
{
    if (!hasStrayBreak)
        return QString(begin, length);
    QString line;
    line.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        if (begin[i] != u'\r' && begin[i] != u'\n')
            line.append(begin[i]);
    }
    return line;
}

// Most lines are plain digits; only lines with other characters pay for a GBK encoder.
qsizetype gbkLength(const QString& line)
{
    for (QChar c : line) {
        if (c.unicode() >= 0x80)
            return Gbk::byteLength(line);
    }
    return line.size();
}

bool plainAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

bool allAsciiDigits(const QString& line)
{
    for (QChar c : line) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool hasMobileShape(const QString& line, qsizetype length)
{
    if (length == 11)
        return line.startsWith(u"13") || line.startsWith(u"15") || line.startsWith(u"18") ||
               line.startsWith(u'0');
    return length == 12 && line.startsWith(u'0');
}

} // namespace

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    if (text.startsWith(u"\r\n"))
        return lines;
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    bool strayBreak = false;
    for (qsizetype i = 0; i + 1 < size; ++i) {
        if (data[i] == u'\r' && data[i + 1] == u'\n') {
            lines.append(lineWithoutBreaks(data + start, i - start, strayBreak));
            start = i + 2;
            strayBreak = false;
            ++i;
        } else if (data[i] == u'\r' || data[i] == u'\n') {
            strayBreak = true;
        }
    }
    return lines;
}

NumberCheck CheckNumberLine(const QString& line, int& checkedCount)
{
    const qsizetype length = gbkLength(line);
    if (length <= 4 || (length == 10 && line.startsWith(u'0')))
        return {NumberCheck::Skipped, {}, NumberCheck::None, length};
    const int lineNumber = checkedCount + 1;
    if (!hasMobileShape(line, length)) {
        const QString message = QStringLiteral("提示:[第%1行/长度%2位]不是有效手机号码[数字类型]");
        return {NumberCheck::Rejected, message.arg(lineNumber).arg(length), NumberCheck::Shape, length};
    }
    if (!allAsciiDigits(line)) {
        const QString message = QStringLiteral("提示:[第%1行]不是有效手机号码[数字类型]");
        return {NumberCheck::Rejected, message.arg(lineNumber), NumberCheck::Digits, length};
    }
    ++checkedCount;
    return {NumberCheck::Accepted, {}, NumberCheck::None, length};
}

QString unstorableEntry(const LineList& entries)
{
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (!entries.isWide(k) && plainAscii(entries.raw(k)))
            continue;
        const QString problem = unstorableCharacter(entries.at(k));
        if (!problem.isEmpty())
            return QStringLiteral("号码列表第%1条: %2").arg(k + 1).arg(problem);
    }
    return {};
}
