#include "PictureDisplay.h"

#include "core/Paths.h"
#include "gui/PictureBox.h"
#include "gui/Prompts.h"
#include "gui/TgaReader.h"
#include "gui/Twips.h"

#include <QFile>

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
constexpr qint64 kMaxFileSize = qint64(256) * 1024 * 1024;
} // namespace

QImage decodePicture(const QByteArray& data, const QString& fileName, QString* error)
{
    QString why;
    QImage image;
    if (fileName.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive))
        image = readTga(data, &why);
    if (image.isNull())
        image = QImage::fromData(data);
    if (image.isNull() && error)
        *error = why.isEmpty() ? QStringLiteral("The picture cannot be read.") : why;
    return image;
}

QImage NViewLibLoad(const QString& fileName, int16_t showProgress)
{
    std::optional<WaitCursor> busy;
    if (showProgress)
        busy.emplace();
    const QString path = toLocalPath(fileName);
    QImage image;
    QString why;
    if (path.endsWith(QLatin1String(".tga"), Qt::CaseInsensitive)) {
        // Game TGAs are often run-length encoded and without the version 2 footer.
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.size() <= kMaxFileSize)
            image = readTga(f.readAll(), &why);
        else
            why = f.exists() ? QStringLiteral("The picture cannot be read.")
                             : QStringLiteral("The picture was not found.");
    }
    if (image.isNull()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        image = reader.read();
        if (image.isNull() && why.isEmpty())
            why = reader.errorString();
    }
    if (image.isNull()) {
        g_width = g_height = 0;
        g_error = why;
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
