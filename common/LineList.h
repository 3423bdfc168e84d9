#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>

// A list of short texts, numbers nearly always, kept in one buffer: an ASCII text as its bytes,
// any other text as its UTF-16 code units, each found by its offset. Five million numbers take
// about 100 MB instead of the 400 MB of as many strings. Copies share the buffer until one of
// them changes.
class LineList
{
public:
    LineList() = default;
    LineList(const QStringList& texts); // NOLINT: lists of strings are lists of lines
    LineList(std::initializer_list<QString> texts) : LineList(QStringList(texts)) {}

    qsizetype size() const { return m_starts.size(); }
    bool isEmpty() const { return m_starts.isEmpty(); }
    QString at(qsizetype k) const;
    // The stored bytes: ASCII, or UTF-16 code units in the machine's order when isWide.
    QByteArrayView raw(qsizetype k) const { return {m_bytes.constData() + start(k), end(k) - start(k)}; }
    bool isWide(qsizetype k) const { return m_starts.at(k) & 1; }
    bool sameText(qsizetype k, const LineList& other, qsizetype j) const;
    qsizetype byteSize() const { return m_bytes.size(); }

    void append(QStringView text);
    void appendFrom(const LineList& other, qsizetype k);
    void append(const LineList& other);
    void removeAt(qsizetype k);
    void truncate(qsizetype count);
    void clear();
    void reserve(qsizetype entries, qsizetype bytes);

    QStringList toStringList() const;
    bool operator==(const LineList& other) const;

    // Entries made of bytes the reader compacted in place: bytes[starts[k] >> 1, next start) is
    // entry k, wide when bit 0 of starts[k] is set.
    static LineList adopt(QByteArray bytes, QList<qint64> starts);

private:
    qint64 start(qsizetype k) const { return m_starts.at(k) >> 1; }
    qint64 end(qsizetype k) const { return k + 1 < m_starts.size() ? start(k + 1) : m_bytes.size(); }

    QByteArray m_bytes;
    QList<qint64> m_starts; // offset << 1, bit 0 set for UTF-16
};

// Finds equal entries with one open-addressing table of 64-bit slots and no allocation per
// entry. A number of up to 17 digits is its own key in the slot, so telling it from the others
// reads nothing but the table; any other text is kept as its position and hash, and compared
// only when the hashes agree.
class LineSet
{
public:
    // Room for that many distinct entries before the table grows. With positions, insert()
    // also tells which earlier entry was the same and whether it had been repeated before.
    LineSet(qsizetype expected, bool positions);
    ~LineSet();

    enum Seen
    {
        New,         // no equal entry was inserted before
        Repeat,      // one was
        FirstRepeat, // one was, and repeats for the first time (told only when positions are kept)
    };
    // Inserts entry k of list, which must hold every entry inserted before at its position.
    // For a repeat *first, when asked for, is the position of the equal entry inserted first.
    Seen insert(const LineList& list, qsizetype k, qsizetype* first = nullptr);
    // Inserting means waiting for memory: a loop that names the entries it will insert a few
    // steps ahead finds their slots in the cache. Only numbers are looked up ahead.
    void prefetch(const LineList& list, qsizetype k) const;
    void prefetch(QStringView text) const;

private:
    void grow();
    quint64 home(quint64 slot) const;

    // A slot is its key, followed by the entry's position when positions are kept: both come
    // with one read from memory. The position's top bit marks an entry that was repeated.
    struct Release
    {
        void* base;
        std::size_t mapped; // 0: allocated, not mapped
        void operator()(quint64* table) const;
    };
    using Table = std::unique_ptr<quint64[], Release>;
    static Table zeroedTable(quint64 words);
    const quint64 m_stride;
    Table m_slots;
    quint64 m_mask = 0;
    qsizetype m_used = 0;
};

// Whether every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
