// SplitLines: no line holds CR or LF, and the lines are exactly the text's CR LF terminated
// stretches.
#include "sending/NumberRules.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = SplitLines(text);
    if (text.startsWith(QStringLiteral("\r\n")) && !lines.isEmpty())
        std::abort();
    qsizetype terminated = text.startsWith(QStringLiteral("\r\n")) ? 0 : text.count(QStringLiteral("\r\n"));
    if (lines.size() != terminated)
        std::abort();
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            std::abort();
    }
    return 0;
}
