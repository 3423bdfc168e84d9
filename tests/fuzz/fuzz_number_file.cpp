// Number files as anyone may hand them over: every line kept is longer than five GBK bytes and
// holds no line break, and nothing crashes or hangs.
#include "sending/NumberFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const NumberFileRead read = parseNumberFile(bytes, QStringLiteral("fuzz.txt"));
    if (read.ok == read.numbers.isEmpty())
        std::abort();
    for (const QString& number : read.numbers) {
        if (number.contains(QLatin1Char('\n')) || number.contains(QLatin1Char('\r')))
            std::abort();
        qsizetype bytesLength = 0;
        for (QChar c : number)
            bytesLength += c.unicode() < 0x80 ? 1 : 2;
        if (bytesLength <= 5)
            std::abort();
    }
    return 0;
}
