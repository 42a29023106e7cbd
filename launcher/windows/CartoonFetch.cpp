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
    HttpResponse index;
    const bool indexOk = httpGet(httpUrl(setup.server, QStringLiteral("/panelhop/ufgifs.txt")),
                                 setup.timeoutMs, setup.indexMaxBytes, &index);
    if (index.connectionFailure) {
        out.ending = CartoonFetch::ConnectFailure;
        return out;
    }
    const QString indexPath = setup.programFolder + QStringLiteral("\\ufurl.dat");
    if (!indexOk || !writeFileAtomic(indexPath, index.body))
        return out;
    bool readOk = false;
    const QString line = readFirstLine(indexPath, &readOk);
    if (!readOk)
        return out;

    // The line is taken as it is: it starts with its own "/".
    out.stripPath = QStringLiteral("/cartoons") + line;
    HttpResponse strip;
    const bool stripOk =
        httpGet(httpUrl(setup.server, out.stripPath), setup.timeoutMs, setup.stripMaxBytes, &strip);
    if (strip.connectionFailure) {
        out.ending = CartoonFetch::ConnectFailure;
        return out;
    }
    const QString picturePath = setup.programFolder + QStringLiteral("\\uf.gif");
    if (!stripOk || !writeFileAtomic(picturePath, strip.body))
        return out;

    QImageReader reader(toLocalPath(picturePath));
    reader.setDecideFormatFromContent(true);
    out.picture = reader.read();
    if (!out.picture.isNull())
        out.ending = CartoonFetch::Loaded;
    return out;
}

} // namespace fragdeck::launcher
