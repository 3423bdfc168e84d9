#pragma once

#include <QByteArray>
#include <QString>

// The service works in the GBK code page: byte lengths, lead bytes and files are measured
// and written in GBK even though Qt holds text as UTF-16.
namespace Gbk {

// Encodes to GBK. Characters GBK cannot hold become '?' and clear *ok.
QByteArray encode(const QString& text, bool* ok = nullptr);
QString decode(const QByteArray& bytes);

bool canEncode(const QString& text);
qsizetype byteLength(const QString& text);

// Lead byte of a double-byte character in code page 936.
inline bool isLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}
bool containsLeadByte(const QByteArray& bytes);
bool containsDoubleByte(const QString& text);

// Characters as the code page counts them: a double-byte character is one, every single
// byte (CR and LF included) is one.
int characterCount(const QByteArray& bytes);
int characterCount(const QString& text);

} // namespace Gbk
