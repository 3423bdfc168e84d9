#include "db/SqlScript.h"

#include <QRegularExpression>

namespace {

// Length of a dollar-quote tag ("$$" or "$name$") at position i, or 0.
qsizetype dollarTag(const QString& text, qsizetype i)
{
    static const QRegularExpression tag(QStringLiteral("\\$[A-Za-z_]*\\$"));
    const QRegularExpressionMatch match =
        tag.match(text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    return match.hasMatch() ? match.capturedLength() : 0;
}

// Index just past the quoted run starting at i ('text' or "name" with doubled quotes inside, or
// $tag$ body $tag$); an unclosed run takes the rest. -1 when no run starts at i.
qsizetype quotedEnd(const QString& text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c == u'\'' || c == u'"') {
        qsizetype at = i + 1;
        for (;;) {
            at = text.indexOf(c, at);
            if (at < 0)
                return text.size();
            if (at + 1 < text.size() && text.at(at + 1) == c) {
                at += 2;
                continue;
            }
            return at + 1;
        }
    }
    const qsizetype tag = c == u'$' ? dollarTag(text, i) : 0;
    if (tag == 0)
        return -1;
    const qsizetype close = text.indexOf(text.mid(i, tag), i + tag);
    return close < 0 ? text.size() : close + tag;
}

} // namespace

namespace SqlScript {

QStringList split(const QString& text)
{
    QStringList statements;
    QString current;
    const auto flush = [&] {
        if (!current.trimmed().isEmpty())
            statements << current.trimmed();
        current.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i) == u'-' && i + 1 < text.size() && text.at(i + 1) == u'-') {
            const qsizetype lineEnd = text.indexOf(u'\n', i);
            i = lineEnd < 0 ? text.size() : lineEnd;
            continue;
        }
        if (const qsizetype end = quotedEnd(text, i); end > i) {
            current += text.mid(i, end - i);
            i = end;
            continue;
        }
        if (text.at(i) == u';')
            flush();
        else
            current += text.at(i);
        ++i;
    }
    flush();
    return statements;
}

} // namespace SqlScript
