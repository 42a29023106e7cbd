#include "CartoonFetch.h"
#include "core/AtomicFile.h"

#include "core/Http.h"
#include "core/Paths.h"
#include "core/TextFile.h"

#include <QImageReader>

namespace fragdeck::launcher
{

CartoonFetch fetchCartoon(const CartoonSetup& setup)
{
    CartoonFetch out;
    const HttpResult index = httpGet(httpUrl(setup.server, QStringLiteral("/panelhop/ufgifs.txt")),
                                     setup.timeoutMs, setup.indexMaxBytes);
    if (index.connectionFailure) {
        out.ending = CartoonFetch::ConnectFailure;
        return out;
    }
    const QString indexPath = setup.programFolder + QStringLiteral("\\ufurl.dat");
    if (!index.ok || !writeFileAtomic(indexPath, index.body))
        return out;
    bool readOk = false;
    const QString line = readFirstLine(indexPath, &readOk);
    if (!readOk)
        return out;

    // The line is taken as it is: it starts with its own "/".
    out.stripPath = QStringLiteral("/cartoons") + line;
    const HttpResult strip =
        httpGet(httpUrl(setup.server, out.stripPath), setup.timeoutMs, setup.stripMaxBytes);
    if (strip.connectionFailure) {
        out.ending = CartoonFetch::ConnectFailure;
        return out;
    }
    const QString picturePath = setup.programFolder + QStringLiteral("\\uf.gif");
    if (!strip.ok || !writeFileAtomic(picturePath, strip.body))
        return out;

    QImageReader reader(toLocalPath(picturePath));
    reader.setDecideFormatFromContent(true);
    out.picture = reader.read();
    if (!out.picture.isNull())
        out.ending = CartoonFetch::Loaded;
    return out;
}

} // namespace fragdeck::launcher
