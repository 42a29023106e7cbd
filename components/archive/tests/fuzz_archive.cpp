// Arbitrary bytes as a pk3 archive: the central-directory reader stays inside its input,
// and every name it gives lands inside the target folder when extracted, with or without
// its folders.
#include "archive/CentralDirectory.h"
#include "archive/Unzip.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace fragdeck::archive;

namespace
{

// Inside the target on this system: relative, without "." or ".." parts, one separator.
void expectInside(const QString& rel, bool keepFolders)
{
    if (rel.isEmpty())
        return;
    if (rel.contains(u'\\') || rel.startsWith(u'/') || rel.endsWith(u'/') ||
        (!keepFolders && rel.contains(u'/')))
        std::abort();
    const QStringList parts = rel.split(u'/');
    for (const QString& p : parts)
        if (p.isEmpty() || p == QLatin1String(".") || p == QLatin1String(".."))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype tail = std::min<qsizetype>(file.size(), 22 + 65535 + 20);
    CentralDirectory directory;
    const bool read = directory.parse(file.size(), file.right(tail), [&](qint64 at, qint64 n) {
        if (at < 0 || n < 0 || at > file.size() || n > file.size() - at)
            return QByteArray();
        return file.mid(at, n);
    });
    if (!read) {
        if (directory.size() != 0)
            std::abort();
        return 0;
    }
    for (size_t i = 0; i < directory.size(); ++i) {
        const QByteArrayView raw = directory.name(i);
        if (raw.contains('\0'))
            std::abort();
        const QString name = QString::fromLatin1(raw);
        expectInside(safeRelativePath(name, false), false);
        expectInside(safeRelativePath(name, true), true);
    }
    return 0;
}
