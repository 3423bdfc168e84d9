#include "db/StorableText.h"

#include "common/Gbk.h"

namespace {

QString named(const QString& shown, char32_t code)
{
    const QString hex =
        QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    if (shown.isEmpty())
        return QStringLiteral("提示: 不能使用字符 U+%1,请删除后再试!").arg(hex);
    return QStringLiteral("提示: 不能使用字符“%1”(U+%2),请删除后再试!").arg(shown, hex);
}

} // namespace

QString unstorableCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const QString pair = text.mid(i, 2);
            if (!Gbk::canEncode(pair))
                return named(pair, QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return named({}, c.unicode());
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return named({}, c.unicode());
        if (!Gbk::canEncode(QString(c)))
            return named(QString(c), c.unicode());
    }
    return {};
}
