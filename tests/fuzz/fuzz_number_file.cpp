// Number files as anyone may hand them over: the compact reader keeps exactly the lines that
// decoding the whole file and cutting it into strings keeps (longer than five GBK bytes, no line
// break), with their line numbers; duplicate removal and export agree with the string
// procedures; nothing crashes or hangs.
#include "common/Gbk.h"
#include "common/TextFiles.h"
#include "sending/Dedupe.h"
#include "sending/NumberFile.h"
#include "sending/NumberReader.h"
#include "sending/TextFile.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

namespace {

QStringList referenceLines(const QByteArray& bytes, QList<qint64>& lineNumbers)
{
    QStringList kept;
    const QStringList lines = textFileLines(decodeTextFile(bytes));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        qsizetype length = 0;
        for (QChar c : lines[k])
            length += c.unicode() < 0x80 ? 1 : 2;
        if (length > 5) {
            kept.append(lines[k]);
            lineNumbers.append(k + 1);
        }
    }
    return kept;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<qint64> expectedNumbers, lineNumbers;
    const QStringList expected = referenceLines(bytes, expectedNumbers);
    const LineList read = numberLines(bytes, &lineNumbers);
    require(read.toStringList() == expected);
    require(lineNumbers == expectedNumbers);
    const NumberFileRead file = parseNumberFile(bytes, QStringLiteral("fuzz.txt"));
    require(file.ok == !file.numbers.isEmpty() && file.numbers == read);

    QSet<QString> seen;
    QStringList unique;
    for (const QString& line : expected) {
        if (!seen.contains(line))
            unique.append(line);
        seen.insert(line);
    }
    const LineList deduped = removeDuplicates(read);
    require(deduped.toStringList() == unique);
    bool encoded = true, expectedEncoded = true;
    const QByteArray exported = gbkLines(deduped, 0, deduped.size(), &encoded);
    require(exported ==
            (unique.isEmpty() ? QByteArray() : Gbk::encode(unique.join("\r\n") + "\r\n", &expectedEncoded)));
    require(encoded == expectedEncoded);
    return 0;
}
