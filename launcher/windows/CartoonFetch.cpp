#include "CartoonFetch.h"
#include "core/AtomicFile.h"

#include "core/Http.h"
#include "core/Paths.h"
#include "core/TextFile.h"

#include <QImageReader>

namespace fragdeck::launcher
{
namespace
{

// Fetches `url` into the file at `path`; false when it could not, with the ending set when
// the server could not be reached.
bool fetchInto(const QUrl& url, const QString& path, int timeoutMs, qint64 maxBytes,
               CartoonFetch& out)
{
    HttpResponse r;
    const bool ok = httpGet(url, timeoutMs, maxBytes, &r);
    if (r.connectionFailure) {
        out.ending = CartoonFetch::ConnectFailure;
        return false;
    }
    return ok && writeFileAtomic(path, r.body);
}

} // namespace

CartoonFetch fetchCartoon(const CartoonSetup& setup)
{
    CartoonFetch out;
    const QString indexPath = setup.programFolder + QStringLiteral("\\ufurl.dat");
    if (!fetchInto(httpUrl(setup.server, QStringLiteral("/panelhop/ufgifs.txt")), indexPath,
                   setup.timeoutMs, setup.indexMaxBytes, out))
        return out;
    bool readOk = false;
    const QString line = readFirstLine(indexPath, &readOk);
    if (!readOk)
        return out;

    // The line is taken as it is: it starts with its own "/".
    out.stripPath = QStringLiteral("/cartoons") + line;
    const QString picturePath = setup.programFolder + QStringLiteral("\\uf.gif");
    if (!fetchInto(httpUrl(setup.server, out.stripPath), picturePath, setup.timeoutMs,
                   setup.stripMaxBytes, out))
        return out;

    QImageReader reader(toLocalPath(picturePath));
    reader.setDecideFormatFromContent(true);
    out.picture = reader.read();
    if (!out.picture.isNull())
        out.ending = CartoonFetch::Loaded;
    return out;
}

} // namespace fragdeck::launcher
