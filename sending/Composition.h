#pragma once

#include <QString>
#include <QStringList>

inline constexpr int kPartLength = 71;
inline constexpr int kMaxParts = 100;
inline constexpr int kMaxListEntries = 30000;

// Characters as the gateway bills them (GBK: a double-byte character and every single byte
// count one).
int messageCharacterCount(const QString& text);
// Messages needed for that many characters, kPartLength characters each.
int messageCount(int characters);

struct KeywordFile
{
    bool ok = false;
    QString message;
    QStringList keywords;
};

// Reads the screened keywords, one per line; empty lines are ignored. A missing or unreadable
// file, and one without a keyword, are refused: nothing may be sent unscreened.
KeywordFile readKeywordFile(const QString& path);
QStringList parseKeywords(const QByteArray& bytes);

// Replaces every occurrence of every keyword, in file order, by "***".
QString screenKeywords(QString text, const QStringList& keywords);

// Empty when the text can be sent, otherwise the reason to show.
QString validateMessageText(const QString& text);

// Cuts the text into the parts submitted to the gateway.
QStringList cutParts(const QString& text, int segmentCount);
