#pragma once
// Reads the member names of a zip archive straight from its central directory: what a
// listing needs, without the per-entry records a full open builds. Bounds-checked; zip64
// archives and data prepended to the archive are handled.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

namespace fragdeck::archive
{

class CentralDirectory
{
public:
    // False when the file is not a readable zip archive (the caller then asks libzip,
    // which says why), or when it is one whose directory cannot be trusted: then
    // inconsistency() says why.
    bool read(const QString& path);
    // Reads a directory already in memory: `tail` is the end of a file of `fileSize`
    // bytes, at least the end record and its comment; `load(offset, size)` gives the
    // bytes at a file offset (empty when they cannot be read).
    bool parse(qint64 fileSize, const QByteArray& tail,
               const std::function<QByteArray(qint64, qint64)>& load);

    size_t size() const { return m_entries.size(); }
    // A member's name as listed and as extracted: its bytes up to the first NUL.
    QByteArrayView name(size_t i) const
    {
        return QByteArrayView(m_data.constData() + m_entries[i].nameAt, m_entries[i].nameLen);
    }
    quint64 uncompressedSize(size_t i) const { return m_entries[i].size; }
    const QString& inconsistency() const { return m_inconsistency; }
    // The end record's entry count stood at 65,535 for more entries, without zip64; the
    // file offset of that record, where the count is.
    bool countStuck() const { return m_countStuck; }
    qint64 endRecordOffset() const { return m_endRecordOffset; }

private:
    struct Entry {
        qsizetype nameAt = 0;
        qsizetype nameLen = 0;
        quint64 offset = 0;     // of its local header, from the archive's start
        quint64 compressed = 0; // bytes of data after that header
        quint64 size = 0;       // uncompressed
    };
    bool parseDirectory(qint64 fileSize, const QByteArray& tail,
                        const std::function<QByteArray(qint64, qint64)>& load);
    bool fail(const char* why);

    QByteArray m_data;
    std::vector<Entry> m_entries;
    QString m_inconsistency;
    bool m_countStuck = false;
    qint64 m_endRecordOffset = 0;
};

} // namespace fragdeck::archive
