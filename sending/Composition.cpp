#include "sending/Composition.h"

#include "common/Gbk.h"
#include "sending/NumberRules.h"
#include "sending/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kMaxCharacters = kPartLength * kMaxParts;
constexpr qint64 kMaxKeywordBytes = 16LL * 1024 * 1024;
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

QStringList parseKeywords(const QByteArray& bytes)
{
    QStringList keywords;
    for (const QString& line : textFileLines(decodeTextFile(bytes))) {
        if (!line.isEmpty())
            keywords.append(line);
    }
    return keywords;
}

KeywordFile readKeywordFile(const QString& path)
{
    KeywordFile result;
    if (!QFileInfo::exists(path)) {
        result.message = QStringLiteral("提示: 找不到关键字文件 %1,不能发送!").arg(fullPath(path));
        return result;
    }
    const TextFileRead file = readTextFile(path, kMaxKeywordBytes, QStringLiteral("关键字文件"));
    if (!file.ok) {
        result.message = file.message + QStringLiteral("\n不能发送!");
        return result;
    }
    result.keywords = parseKeywords(file.bytes);
    // A list that screens nothing is as good as none: refuse rather than send unscreened.
    if (result.keywords.isEmpty()) {
        result.message = QStringLiteral("提示: 关键字文件 %1 中没有关键字,不能发送!").arg(fullPath(path));
        return result;
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
    // Line ends and tabs belong in a message; other control characters (a pasted NUL above all)
    // cannot be stored or sent.
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if ((code < 0x20 && code != u'\r' && code != u'\n' && code != u'\t') || code == 0x7F)
            return QStringLiteral("提示: 短信内容含有无法发送的控制字符 U+%1,请删除!")
                .arg(QString::number(code, 16).toUpper().rightJustified(4, u'0'));
    }
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
