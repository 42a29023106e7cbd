#include "CentralDirectory.h"

#include <QFile>

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
constexpr quint64 kMaxDirectory = quint64(1) << 31; // 2 GB of directory is not a pk3

} // namespace

bool CentralDirectory::read(const QString& path)
{
    m_data.clear();
    m_names.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const qint64 fileSize = f.size();
    if (fileSize < kEndRecord)
        return false;
    const qint64 tailSize = std::min<qint64>(fileSize, kEndRecord + kMaxComment + 20);
    if (!f.seek(fileSize - tailSize))
        return false;
    const QByteArray tail = f.read(tailSize);
    if (tail.size() != tailSize)
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
    const qint64 endPos = fileSize - tailSize + end;
    qint64 dirEnd = endPos;
    if (count == 0xffff || dirSize == 0xffffffffu || dirOffset == 0xffffffffu) {
        // zip64: the locator sits just before the end record.
        if (end < 20)
            return false;
        const char* loc = e - 20;
        if (!(loc[0] == 'P' && loc[1] == 'K' && loc[2] == 6 && loc[3] == 7))
            return false;
        const quint64 recPos = le(loc + 8, 8);
        if (recPos + 56 > quint64(endPos) || !f.seek(qint64(recPos)))
            return false;
        const QByteArray rec = f.read(56);
        if (rec.size() != 56 || !rec.startsWith(QByteArray("PK\x06\x06", 4)))
            return false;
        count = le(rec.constData() + 32, 8);
        dirSize = le(rec.constData() + 40, 8);
        dirOffset = le(rec.constData() + 48, 8);
        dirEnd = qint64(recPos);
    }
    if (dirSize > kMaxDirectory || dirSize > quint64(dirEnd) || count > dirSize / 46 + 1)
        return false;
    // Where the directory really starts (data may precede the archive).
    const qint64 dirStart = dirEnd - qint64(dirSize);
    (void)dirOffset;
    if (!f.seek(dirStart))
        return false;
    m_data = f.read(qint64(dirSize));
    if (quint64(m_data.size()) != dirSize)
        return false;
    m_names.reserve(size_t(count));
    qsizetype pos = 0;
    const char* d = m_data.constData();
    for (quint64 i = 0; i < count; ++i) {
        if (m_data.size() - pos < 46 ||
            !(d[pos] == 'P' && d[pos + 1] == 'K' && d[pos + 2] == 1 && d[pos + 3] == 2))
            return false;
        const qsizetype nameLen = qsizetype(le(d + pos + 28, 2));
        const qsizetype extraLen = qsizetype(le(d + pos + 30, 2));
        const qsizetype commentLen = qsizetype(le(d + pos + 32, 2));
        const qsizetype next = pos + 46 + nameLen + extraLen + commentLen;
        if (next > m_data.size())
            return false;
        // A name ends at its first NUL, as the listing takes it.
        const char* n = d + pos + 46;
        const void* nul = memchr(n, 0, size_t(nameLen));
        const qsizetype len = nul ? static_cast<const char*>(nul) - n : nameLen;
        m_names.emplace_back(pos + 46, len);
        pos = next;
    }
    return true;
}

} // namespace fragdeck::archive
