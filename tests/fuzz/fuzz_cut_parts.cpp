// Cutting a message into parts: for any text the client accepts, the parts put together are
// the text, no part is longer than a message, and there are as many parts as messages billed.
#include "sending/Composition.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (text.isEmpty() || !validateMessageText(text).isEmpty())
        return 0;
    const int messages = messageCount(messageCharacterCount(text));
    const QStringList parts = cutParts(text, messages);
    if (parts.join(QString()) != text)
        std::abort();
    if (parts.size() != messages)
        std::abort();
    for (const QString& part : parts) {
        if (part.isEmpty() || messageCharacterCount(part) > kPartLength)
            std::abort();
    }
    return 0;
}
