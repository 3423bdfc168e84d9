// Keyword files: no empty keyword and no line break inside one, whatever the encoding.
#include "sending/Composition.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList keywords = parseKeywords(bytes);
    for (const QString& keyword : keywords) {
        if (keyword.isEmpty() || keyword.contains(QLatin1Char('\n')) || keyword.contains(QLatin1Char('\r')))
            std::abort();
        // Screening a text made of the keyword itself must leave only stars.
        if (screenKeywords(keyword, {keyword}) != QStringLiteral("***"))
            std::abort();
    }
    return 0;
}
