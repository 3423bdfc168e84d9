#include "common/LineList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>

namespace {

quint64 mix(quint64 value)
{
    value ^= value >> 31;
    value *= 0xBF58476D1CE4E5B9ULL;
    value ^= value >> 29;
    return value;
}

// Eight bytes at a time; a number of eleven digits is two words.
quint32 hashOf(QByteArrayView bytes, bool wide)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    quint64 hash = 0x9E3779B97F4A7C15ULL ^ (quint64(left) << 1 | (wide ? 1 : 0));
    while (left >= 8) {
        quint64 word;
        std::memcpy(&word, data, 8);
        hash = (hash ^ word) * 0x94D049BB133111EBULL;
        data += 8;
        left -= 8;
    }
    if (left > 0) {
        quint64 word = 0;
        std::memcpy(&word, data, std::size_t(left));
        hash = (hash ^ word) * 0x94D049BB133111EBULL;
    }
    hash = mix(hash);
    return quint32(hash ^ (hash >> 32));
}

// A text of 1 to 17 ASCII digits as one number that also holds its length (leading zeros
// count): the top bit tags it, 5 bits hold the length and 57 the value. 0 for other texts.
constexpr quint64 kDigitsTag = 1ULL << 63;
constexpr quint64 kRepeatedMark = 1ULL << 63;
template <typename Char> quint64 digitsKey(const Char* text, qsizetype size)
{
    if (size == 0 || size > 17)
        return 0;
    quint64 value = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto digit = static_cast<std::make_unsigned_t<Char>>(text[i]) - unsigned('0');
        if (digit > 9)
            return 0;
        value = value * 10 + digit;
    }
    return kDigitsTag | quint64(size) << 57 | value;
}

constexpr std::size_t kHugePage = 2 << 20;

} // namespace

void LineSet::Release::operator()(quint64* table) const
{
    if (mapped > 0)
        munmap(base, mapped);
    else
        std::free(table);
}

// A zeroed table. A big one is mapped, so it comes zeroed, and asks for huge pages: its reads
// go all over it, and with small pages nearly every read would first wait for the page tables.
LineSet::Table LineSet::zeroedTable(quint64 words)
{
    const std::size_t bytes = std::size_t(words) * sizeof(quint64);
    if (bytes < kHugePage) {
        auto* table = static_cast<quint64*>(std::calloc(words, sizeof(quint64)));
        if (!table)
            throw std::bad_alloc();
        return Table(table, Release{nullptr, 0});
    }
    // A huge page more, so that the table can start on one.
    const std::size_t mapped = bytes + kHugePage;
    void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        throw std::bad_alloc();
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);
#endif
    return Table(reinterpret_cast<quint64*>(start), Release{base, mapped});
}

namespace {

bool asciiView(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool isAscii(QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    for (; left >= 8; data += 8, left -= 8) {
        quint64 word;
        std::memcpy(&word, data, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; left > 0; ++data, --left) {
        if (static_cast<unsigned char>(*data) >= 0x80)
            return false;
    }
    return true;
}

LineList::LineList(const QStringList& texts)
{
    m_starts.reserve(texts.size());
    for (const QString& text : texts)
        append(text);
}

QString LineList::at(qsizetype k) const
{
    const QByteArrayView bytes = raw(k);
    if (!isWide(k))
        return QString::fromLatin1(bytes);
    QString text(bytes.size() / 2, Qt::Uninitialized);
    std::memcpy(text.data(), bytes.data(), std::size_t(bytes.size()));
    return text;
}

bool LineList::sameText(qsizetype k, const LineList& other, qsizetype j) const
{
    if (isWide(k) != other.isWide(j))
        return false;
    const QByteArrayView mine = raw(k);
    const QByteArrayView theirs = other.raw(j);
    return mine.size() == theirs.size() &&
           std::memcmp(mine.data(), theirs.data(), std::size_t(mine.size())) == 0;
}

void LineList::append(QStringView text)
{
    if (asciiView(text)) {
        m_starts.append(qint64(m_bytes.size()) << 1);
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + text.size());
        char* out = m_bytes.data() + at;
        for (QChar c : text)
            *out++ = char(c.unicode());
        return;
    }
    m_starts.append(qint64(m_bytes.size()) << 1 | 1);
    m_bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

void LineList::appendFrom(const LineList& other, qsizetype k)
{
    m_starts.append(qint64(m_bytes.size()) << 1 | (other.isWide(k) ? 1 : 0));
    m_bytes.append(other.raw(k));
}

void LineList::append(const LineList& other)
{
    if (isEmpty()) {
        *this = other;
        return;
    }
    const qint64 shift = qint64(m_bytes.size()) << 1;
    m_bytes.append(other.m_bytes);
    m_starts.reserve(m_starts.size() + other.m_starts.size());
    for (qint64 start : other.m_starts)
        m_starts.append(start + shift);
}

void LineList::removeAt(qsizetype k)
{
    const qint64 from = start(k);
    const qint64 length = end(k) - from;
    m_bytes.remove(from, length);
    m_starts.remove(k);
    qint64* starts = m_starts.data();
    for (qsizetype i = k; i < m_starts.size(); ++i)
        starts[i] -= length << 1;
}

void LineList::truncate(qsizetype count)
{
    if (count >= size())
        return;
    m_bytes.truncate(start(count));
    m_starts.resize(count);
}

void LineList::clear()
{
    m_bytes.clear();
    m_starts.clear();
}

void LineList::reserve(qsizetype entries, qsizetype bytes)
{
    m_starts.reserve(entries);
    m_bytes.reserve(bytes);
}

QStringList LineList::toStringList() const
{
    QStringList texts;
    texts.reserve(size());
    for (qsizetype k = 0; k < size(); ++k)
        texts.append(at(k));
    return texts;
}

bool LineList::operator==(const LineList& other) const
{
    if (size() != other.size())
        return false;
    // Qt compares two empty offset lists with memcmp, even when one has no buffer at all.
    if (isEmpty())
        return true;
    if (m_bytes == other.m_bytes && m_starts == other.m_starts)
        return true;
    for (qsizetype k = 0; k < size(); ++k) {
        if (!sameText(k, other, k))
            return false;
    }
    return true;
}

LineList LineList::adopt(QByteArray bytes, QList<qint64> starts)
{
    LineList list;
    list.m_bytes = std::move(bytes);
    list.m_starts = std::move(starts);
    return list;
}

LineSet::LineSet(qsizetype expected, bool positions) : m_stride(positions ? 2 : 1)
{
    quint64 capacity = 16;
    while (capacity < quint64(expected) + quint64(expected) / 2)
        capacity <<= 1;
    m_slots = zeroedTable(capacity * m_stride);
    m_mask = capacity - 1;
}

LineSet::~LineSet() = default;

quint64 LineSet::home(quint64 slot) const
{
    return (slot & kDigitsTag ? mix(slot) : slot >> 32) & m_mask;
}

void LineSet::prefetch(const LineList& list, qsizetype k) const
{
    const QByteArrayView text = list.raw(k);
    if (const quint64 key = list.isWide(k) ? 0 : digitsKey(text.data(), text.size()))
        __builtin_prefetch(&m_slots[home(key) * m_stride]);
}

void LineSet::prefetch(QStringView text) const
{
    if (const quint64 key = digitsKey(text.utf16(), text.size()))
        __builtin_prefetch(&m_slots[home(key) * m_stride]);
}

LineSet::Seen LineSet::insert(const LineList& list, qsizetype k, qsizetype* first)
{
    const QByteArrayView text = list.raw(k);
    quint64 key = list.isWide(k) ? 0 : digitsKey(text.data(), text.size());
    // Positions and hashes in 31 bits: four billion entries would not fit in memory.
    if (key == 0)
        key = quint64(hashOf(text, list.isWide(k)) & 0x7FFFFFFF) << 32 | quint32(k + 1);
    const bool digits = key & kDigitsTag;
    for (quint64 i = home(key);; i = (i + 1) & m_mask) {
        quint64* slot = &m_slots[i * m_stride];
        if (*slot == 0) {
            slot[0] = key;
            if (m_stride == 2)
                slot[1] = quint64(k);
            if (++m_used > qsizetype((m_mask + 1) / 4 * 3))
                grow();
            return New;
        }
        const bool same =
            digits ? *slot == key
                   : (*slot >> 32) == (key >> 32) && list.sameText(qsizetype(quint32(*slot)) - 1, list, k);
        if (!same)
            continue;
        if (m_stride == 1)
            return Repeat;
        if (first)
            *first = qsizetype(slot[1] & ~kRepeatedMark);
        const bool before = slot[1] & kRepeatedMark;
        slot[1] |= kRepeatedMark;
        return before ? Repeat : FirstRepeat;
    }
}

void LineSet::grow()
{
    const quint64 oldCapacity = m_mask + 1;
    const Table oldSlots = std::move(m_slots);
    m_slots = zeroedTable(oldCapacity * 2 * m_stride);
    m_mask = oldCapacity * 2 - 1;
    for (quint64 i = 0; i < oldCapacity; ++i) {
        const quint64* old = &oldSlots[i * m_stride];
        if (*old == 0)
            continue;
        quint64 at = home(*old);
        while (m_slots[at * m_stride] != 0)
            at = (at + 1) & m_mask;
        std::copy(old, old + m_stride, &m_slots[at * m_stride]);
    }
}
