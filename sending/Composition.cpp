#include "sending/Composition.h"

#include "app/Gbk.h"
#include "sending/NumberRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kMaxCharacters = kPartLength * kMaxParts;
// A text shorter than this many GBK bytes always goes as a single part.
constexpr qsizetype kSinglePartBytes = kPartLength + 1;

QString fullPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The first code point GBK cannot hold, with a surrogate pair kept together.
QString firstUnencodable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, width);
        if (!Gbk::canEncode(character))
            return character;
        i += width - 1;
    }
    return {};
}

} // namespace

int messageCharacterCount(const QString& text)
{
    return Gbk::characterCount(text);
}

int messageCount(int characters)
{
    if (characters <= 0)
        return 0;
    return (characters + kPartLength - 1) / kPartLength;
}

QString charCountLabel(int n)
{
    return QStringLiteral("当前文字:%1 字").arg(n);
}

QString messageCountLabel(int m)
{
    return QStringLiteral("需发短信:%1 条").arg(m);
}

KeywordFile readKeywordFile(const QString& path)
{
    KeywordFile result;
    QFile file(path);
    if (!file.exists()) {
        result.message = QStringLiteral("提示: 找不到关键字文件 %1,不能发送!").arg(fullPath(path));
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.message = QStringLiteral("提示: 无法读取关键字文件 %1,不能发送!").arg(fullPath(path));
        return result;
    }
    const QStringList lines = SplitLines(Gbk::decode(file.readAll()));
    for (const QString& line : lines) {
        if (!line.isEmpty())
            result.keywords.append(line);
    }
    result.ok = true;
    return result;
}

QString screenKeywords(QString text, const QStringList& keywords)
{
    const QString stars = QStringLiteral("***");
    for (const QString& keyword : keywords) {
        if (!keyword.isEmpty())
            text.replace(keyword, stars);
    }
    return text;
}

QString validateMessageText(const QString& text)
{
    if (!Gbk::canEncode(text)) {
        const QString character = firstUnencodable(text);
        const char32_t code = QStringView(character).toUcs4().value(0);
        return QStringLiteral("提示: 短信内容含有无法发送的字符“%1”(U+%2),请删除或替换!")
            .arg(character, QString::number(code, 16).toUpper().rightJustified(4, u'0'));
    }
    const int characters = messageCharacterCount(text);
    if (characters > kMaxCharacters) {
        return QStringLiteral("提示: 短信内容最多%1个字(%2条),当前%3个字,请删减!")
            .arg(kMaxCharacters)
            .arg(kMaxParts)
            .arg(characters);
    }
    return {};
}

QStringList cutParts(const QString& text, int segmentCount)
{
    if (Gbk::byteLength(text) < kSinglePartBytes)
        return {text};
    QStringList parts;
    for (int k = 0; k < segmentCount; ++k) {
        const QString part = text.mid(qsizetype(k) * kPartLength, kPartLength);
        if (part.isEmpty())
            break;
        parts.append(part);
    }
    return parts;
}
