#pragma once
// Drawing an image file into a picture box, with the project's own image loader in place
// of an outside decoding library. TGA, JPEG, PNG, GIF, BMP and the other formats Qt's
// image plugins read are accepted.
#include <QImage>
#include <QString>
#include <cstdint>

namespace fragdeck::archive
{

class PictureBox;

enum class PictureVariant {
    Resizing, // clears the box and sizes it to the image (+4 pixels each way)
    FixedBox, // neither clears nor resizes: draws over what the box shows
};

// The loader: decodes a file and remembers the pixel size of the image it loaded last
// (0 x 0 after a file it could not read). showProgress 1 shows the busy pointer while it
// decodes.
QImage NViewLibLoad(const QString& fileName, int16_t showProgress);
int GetWidth();
int GetHeight();
// Why the last load failed (empty when it succeeded).
QString lastLoadError();

// Decodes a picture held in memory (a level shot read from an archive): as TGA when the
// name ends ".tga", else by content. A null image and the reason when it cannot be read.
QImage decodePicture(const QByteArray& data, const QString& fileName, QString* error = nullptr);

// Draws fileName into the box at the box's top-left corner. Never reports a failure: a
// file that cannot be read leaves the box without the new picture (cleared in the
// resizing variant).
void NViewLibShowPicutre(PictureBox* picture1, const QString& fileName, int16_t showProgress,
                         PictureVariant variant);

} // namespace fragdeck::archive
