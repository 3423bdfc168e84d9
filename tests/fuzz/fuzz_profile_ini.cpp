// KVR.ini as a damaged or hand-edited file may be: reading never fails, and a value written
// is the value read back, with every other key kept.
#include "common/ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KVR.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QString section = QStringLiteral("ID");
    const QString check =
        ProfileIni::readString(path, section, QStringLiteral("Check"), QStringLiteral("NULL"));
    ProfileIni::readInt(path, section, QStringLiteral("Check"), 0);
    const QString value = QStringLiteral("user 用户");
    if (!ProfileIni::writeString(path, section, QStringLiteral("User"), value))
        std::abort();
    if (ProfileIni::readString(path, section, QStringLiteral("User"), QStringLiteral("NULL")) != value)
        std::abort();
    // A key that could be read before keeps its value.
    if (ProfileIni::readString(path, section, QStringLiteral("Check"), QStringLiteral("NULL")) != check)
        std::abort();
    return 0;
}
