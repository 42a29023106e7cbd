#include "CentralDirectory.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace fragdeck::archive
{
namespace
{

quint64 le(const char* p, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | quint8(p[i]);
    return v;
}

constexpr qsizetype kEndRecord = 22;
constexpr qsizetype kMaxComment = 65535;
constexpr qsizetype kLocalHeader = 30;
constexpr quint64 kMaxDirectory = quint64(1) << 31; // 2 GB of directory is not a pk3
constexpr quint32 kMax32 = 0xffffffffu;

} // namespace

bool CentralDirectory::fail(const char* why)
{
    m_inconsistency = QString::fromLatin1(why);
    return false;
}

bool CentralDirectory::read(const QString& path)
{
    m_data.clear();
    m_entries.clear();
    m_inconsistency.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const qint64 fileSize = f.size();
    const qint64 tailSize = std::min<qint64>(fileSize, kEndRecord + kMaxComment + 20);
    if (fileSize < kEndRecord || !f.seek(fileSize - tailSize))
        return false;
    const QByteArray tail = f.read(tailSize);
    if (tail.size() != tailSize)
        return false;
    return parse(fileSize, tail, [&f](qint64 offset, qint64 size) {
        return f.seek(offset) ? f.read(size) : QByteArray();
    });
}

bool CentralDirectory::parse(qint64 fileSize, const QByteArray& tail,
                             const std::function<QByteArray(qint64, qint64)>& load)
{
    m_data.clear();
    m_entries.clear();
    m_inconsistency.clear();
    m_countStuck = false;
    if (parseDirectory(fileSize, tail, load))
        return true;
    m_data.clear();
    m_entries.clear();
    return false;
}

bool CentralDirectory::parseDirectory(qint64 fileSize, const QByteArray& tail,
                                      const std::function<QByteArray(qint64, qint64)>& load)
{
    if (tail.size() < kEndRecord || tail.size() > fileSize)
        return false;
    // The end record: the last signature whose comment length reaches the file's end.
    qsizetype end = -1;
    for (qsizetype i = tail.size() - kEndRecord; i >= 0; --i) {
        if (tail[i] == 'P' && tail[i + 1] == 'K' && tail[i + 2] == 5 && tail[i + 3] == 6 &&
            i + kEndRecord + qsizetype(le(tail.constData() + i + 20, 2)) == tail.size()) {
            end = i;
            break;
        }
    }
    if (end < 0)
        return false;
    const char* e = tail.constData() + end;
    if (le(e + 4, 2) != 0 || le(e + 6, 2) != 0) // multi-disk archives are not read
        return false;
    quint64 count = le(e + 10, 2), dirSize = le(e + 12, 4), dirOffset = le(e + 16, 4);
    const qint64 endPos = fileSize - tail.size() + end;
    m_endRecordOffset = endPos;
    qint64 dirEnd = endPos;
    bool zip64 = false;
    // Some writers leave the count at its largest for more entries, with no zip64 record:
    // the directory is then read to its end, as unzip does.
    const auto hasLocator = [&] {
        const char* loc = e - 20;
        return end >= 20 && loc[0] == 'P' && loc[1] == 'K' && loc[2] == 6 && loc[3] == 7;
    };
    const bool countStuck = m_countStuck =
        count == 0xffff && dirSize != kMax32 && dirOffset != kMax32 && !hasLocator();
    if (!countStuck && (count == 0xffff || dirSize == kMax32 || dirOffset == kMax32)) {
        // zip64: the locator sits just before the end record.
        if (!hasLocator())
            return false;
        const char* loc = e - 20;
        const quint64 recPos = le(loc + 8, 8);
        if (recPos > quint64(endPos) || quint64(endPos) - recPos < 56)
            return false;
        const QByteArray rec = load(qint64(recPos), 56);
        if (rec.size() != 56 || !rec.startsWith(QByteArray("PK\x06\x06", 4)))
            return false;
        count = le(rec.constData() + 32, 8);
        dirSize = le(rec.constData() + 40, 8);
        dirOffset = le(rec.constData() + 48, 8);
        dirEnd = qint64(recPos);
        zip64 = true;
    }
    if (dirSize > kMaxDirectory || dirSize > quint64(dirEnd) || count > dirSize / 46 + 1)
        return false;
    // Where the directory really starts; data before the archive shifts every offset.
    const qint64 dirStart = dirEnd - qint64(dirSize);
    if (quint64(dirStart) < dirOffset)
        return false;
    const quint64 shift = quint64(dirStart) - dirOffset;
    m_data = load(dirStart, qint64(dirSize));
    if (quint64(m_data.size()) != dirSize)
        return false;
    m_entries.reserve(size_t(count));
    qsizetype pos = 0;
    const char* d = m_data.constData();
    // Every entry in the directory's bytes: a count that wrapped at 65,536 must not hide
    // members that an extraction would still find.
    while (pos < m_data.size()) {
        if (m_data.size() - pos < 46 ||
            !(d[pos] == 'P' && d[pos + 1] == 'K' && d[pos + 2] == 1 && d[pos + 3] == 2))
            return false;
        const qsizetype nameLen = qsizetype(le(d + pos + 28, 2));
        const qsizetype extraLen = qsizetype(le(d + pos + 30, 2));
        const qsizetype commentLen = qsizetype(le(d + pos + 32, 2));
        const qsizetype next = pos + 46 + nameLen + extraLen + commentLen;
        if (next > m_data.size())
            return false;
        Entry en;
        en.compressed = le(d + pos + 20, 4);
        en.size = le(d + pos + 24, 4);
        en.offset = le(d + pos + 42, 4);
        // Sizes and offsets too big for their fields are in the zip64 extra field, in
        // this order, each only when its field is full.
        const char* extra = d + pos + 46 + nameLen;
        for (qsizetype x = 0; x + 4 <= extraLen;) {
            const quint64 id = le(extra + x, 2);
            const qsizetype len = qsizetype(le(extra + x + 2, 2));
            if (x + 4 + len > extraLen)
                break;
            if (id == 1) {
                const char* v = extra + x + 4;
                qsizetype left = len;
                for (quint64* field : {&en.size, &en.compressed, &en.offset}) {
                    if (*field != kMax32)
                        continue;
                    if (left < 8)
                        return fail("a zip64 entry is cut short");
                    *field = le(v, 8);
                    v += 8;
                    left -= 8;
                }
            }
            x += 4 + len;
        }
        // A name ends at its first NUL, for the listing and the extraction alike.
        const char* n = d + pos + 46;
        const void* nul = std::memchr(n, 0, size_t(nameLen));
        en.nameAt = pos + 46;
        en.nameLen = nul ? static_cast<const char*>(nul) - n : nameLen;
        m_entries.push_back(en);
        pos = next;
    }
    const quint64 found = m_entries.size();
    if (found != count && (zip64 || (countStuck ? found < count : found % 65536 != count)))
        return fail("its directory holds another number of entries than it says");

    // No two members may share data: entries pointing into one another let a small archive
    // unpack to any size.
    std::vector<std::pair<quint64, quint64>> spans;
    spans.reserve(m_entries.size());
    for (const Entry& en : m_entries) {
        const quint64 start = en.offset + shift;
        if (en.compressed > quint64(dirStart) || start > quint64(dirStart) - en.compressed ||
            quint64(dirStart) - en.compressed - start < quint64(kLocalHeader))
            return fail("an entry's data lies outside the archive");
        spans.emplace_back(start, start + kLocalHeader + en.compressed);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return fail("the data of its entries overlaps");
    return true;
}

} // namespace fragdeck::archive
