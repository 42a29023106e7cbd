#pragma once
// Reads the member names of a zip archive straight from its central directory: what a
// listing needs, without the per-entry records a full open builds. Bounds-checked; zip64
// archives and data prepended to the archive are handled.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

namespace fragdeck::archive
{

class CentralDirectory
{
public:
    // False when the file is not a readable zip archive (the caller then asks libzip,
    // which says why).
    bool read(const QString& path);
    size_t size() const { return m_names.size(); }
    QByteArrayView name(size_t i) const
    {
        return QByteArrayView(m_data.constData() + m_names[i].first, m_names[i].second);
    }

private:
    QByteArray m_data;
    std::vector<std::pair<qsizetype, qsizetype>> m_names;
};

} // namespace fragdeck::archive
