#include "common/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

QByteArray encode(const QString& text, bool* ok)
{
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    return bytes;
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

bool canEncode(const QString& text)
{
    bool ok = false;
    encode(text, &ok);
    return ok;
}

qsizetype byteLength(const QString& text)
{
    return encode(text).size();
}

bool containsLeadByte(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (isLeadByte(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

bool containsDoubleByte(const QString& text)
{
    return containsLeadByte(encode(text));
}

int characterCount(const QByteArray& bytes)
{
    int count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(bytes[i])))
            ++i;
        ++count;
    }
    return count;
}

int characterCount(const QString& text)
{
    return characterCount(encode(text));
}

} // namespace Gbk
