#include "PictureDisplay.h"

#include "Paths.h"
#include "PictureBox.h"
#include "Prompts.h"
#include "Twips.h"

#include <QImageReader>
#include <cmath>
#include <optional>

namespace fragdeck::archive
{
namespace
{
// The loader's state: one per tool that carries this code.
int g_width = 0;
int g_height = 0;
QString g_error;
} // namespace

QImage NViewLibLoad(const QString& fileName, int16_t showProgress)
{
    std::optional<WaitCursor> busy;
    if (showProgress)
        busy.emplace();
    QImageReader reader(toLocalPath(fileName));
    // Textures and level shots carry their orientation in the file (TGA origin bits).
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        g_width = g_height = 0;
        g_error = reader.errorString();
        return QImage();
    }
    g_width = image.width();
    g_height = image.height();
    g_error.clear();
    return image;
}

int GetWidth()
{
    return g_width;
}

int GetHeight()
{
    return g_height;
}

QString lastLoadError()
{
    return g_error;
}

void NViewLibShowPicutre(PictureBox* picture1, const QString& fileName, int16_t showProgress,
                         PictureVariant variant)
{
    if (!picture1)
        return;
    if (variant == PictureVariant::Resizing)
        picture1->clear();
    picture1->update();
    const QImage image = NViewLibLoad(fileName, showProgress);
    // The extents in twips, from 16-bit sums: a side above 32763 pixels overflows and
    // keeps the extent at 0.
    int w = 0, h = 0;
    if (GetWidth() + 4 <= 32767)
        w = int(std::lround((GetWidth() + 4) * twipsPerPixelX()));
    if (GetHeight() + 4 <= 32767)
        h = int(std::lround((GetHeight() + 4) * twipsPerPixelY()));
    if (variant == PictureVariant::Resizing)
        picture1->setTwipsSize(w, h);
    // Drawn at its own size, unscaled, in the top-left corner; only the image's own
    // pixels are copied, so in the fixed box the rest stays as it was.
    if (w > 0 && h > 0)
        picture1->drawImage(image);
    picture1->update();
}

} // namespace fragdeck::archive
