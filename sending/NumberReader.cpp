#include "sending/NumberReader.h"

#include "sending/TextFile.h"

#include <QStringDecoder>
#include <QUtf8StringView>

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kMinKeptBytes = 6;
// Decoded a megabyte at a time, so a file is never held twice over as UTF-16.
constexpr qsizetype kBlockBytes = 1 << 20;

// Length in GBK bytes: one per ASCII character, two for any other. Stops as soon as the answer
// is known.
bool longEnough(QStringView line)
{
    qsizetype bytes = 0;
    for (QChar c : line) {
        bytes += c.unicode() < 0x80 ? 1 : 2;
        if (bytes >= kMinKeptBytes)
            return true;
    }
    return false;
}

// Moves the line [from, to) without its CRs to write, unless it is too short to keep; the
// length it has without them, or 0 when it was not kept.
qsizetype keepAsciiLine(char* data, qsizetype from, qsizetype to, qsizetype write)
{
    qsizetype end = to;
    if (end > from && data[end - 1] == '\r')
        --end;
    const bool innerCr = std::memchr(data + from, '\r', std::size_t(end - from)) != nullptr;
    qsizetype length = end - from;
    if (innerCr)
        length -= std::count(data + from, data + end, '\r');
    if (length < kMinKeptBytes)
        return 0;
    if (!innerCr) {
        std::memmove(data + write, data + from, std::size_t(length));
        return length;
    }
    for (qsizetype read = from; read < end; ++read) {
        if (data[read] != '\r')
            data[write++] = data[read];
    }
    return length;
}

// ASCII needs no decoding: the lines are compacted in place, so the list takes the file's
// own buffer.
LineList asciiLines(QByteArray bytes, qsizetype from, QList<qint64>* lineNumbers)
{
    QList<qint64> starts;
    starts.reserve(bytes.count('\n') + 1);
    char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype write = 0;
    qint64 line = 0;
    for (qsizetype read = from; read < size;) {
        const auto* feed = static_cast<const char*>(std::memchr(data + read, '\n', std::size_t(size - read)));
        const qsizetype lineEnd = feed ? feed - data : size;
        ++line;
        if (const qsizetype kept = keepAsciiLine(data, read, lineEnd, write)) {
            starts.append(qint64(write) << 1);
            write += kept;
            if (lineNumbers)
                lineNumbers->append(line);
        }
        read = lineEnd + 1;
    }
    bytes.truncate(write);
    return LineList::adopt(std::move(bytes), std::move(starts));
}

// Cuts decoded text that arrives in pieces into lines as textFileLines does.
class LineCutter
{
public:
    LineCutter(LineList& list, QList<qint64>* lineNumbers) : m_list(list), m_lineNumbers(lineNumbers) {}

    void feed(QStringView text)
    {
        qsizetype from = 0;
        for (qsizetype feed = text.indexOf(u'\n'); feed >= 0; feed = text.indexOf(u'\n', from)) {
            if (m_carry.isEmpty()) {
                cut(text.sliced(from, feed - from));
            } else {
                m_carry.append(text.sliced(from, feed - from));
                cut(m_carry);
                m_carry.clear();
            }
            from = feed + 1;
        }
        m_carry.append(text.sliced(from));
    }
    // A last line without a line end counts; an empty one after the last LF does not.
    void finish()
    {
        if (!m_carry.isEmpty())
            cut(m_carry);
    }

private:
    void cut(QStringView line)
    {
        ++m_line;
        QString withoutCr;
        if (line.contains(u'\r')) {
            withoutCr = line.toString().remove(u'\r');
            line = withoutCr;
        }
        if (!longEnough(line))
            return;
        m_list.append(line);
        if (m_lineNumbers)
            m_lineNumbers->append(m_line);
    }

    LineList& m_list;
    QList<qint64>* m_lineNumbers;
    QString m_carry;
    qint64 m_line = 0;
};

// A decoder fed piece by piece gives what it gives for the whole: a character cut in two
// waits in its state.
void decodeInBlocks(QStringDecoder& decoder, QByteArrayView bytes, LineCutter& cutter)
{
    for (qsizetype from = 0; from < bytes.size(); from += kBlockBytes) {
        const QString text = decoder.decode(bytes.sliced(from, std::min(kBlockBytes, bytes.size() - from)));
        cutter.feed(text);
    }
    cutter.finish();
}

} // namespace

LineList numberLines(QByteArray bytes, QList<qint64>* lineNumbers)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    LineList list;
    LineCutter cutter(list, lineNumbers);
    if (isUtf16(bytes)) {
        cutter.feed(decodeTextFile(bytes));
        cutter.finish();
        return list;
    }
    const qsizetype bodyStart = bytes.startsWith(bom) ? bom.size() : 0;
    const QByteArrayView body = QByteArrayView(bytes).sliced(bodyStart);
    if (isAscii(body))
        return asciiLines(std::move(bytes), bodyStart, lineNumbers);
    list.reserve(bytes.count('\n') + 1, bytes.size());
    // The whole file decides between UTF-8 and GBK, as for every text file.
    if (QUtf8StringView(body).isValidUtf8()) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        decodeInBlocks(utf8, body, cutter);
    } else {
        QStringDecoder gbk("GBK");
        decodeInBlocks(gbk, bytes, cutter);
    }
    return list;
}
