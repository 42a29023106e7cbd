#pragma once
// A bounds-checked TGA decoder for game textures and level shots: colour-mapped,
// true-colour and grey images, uncompressed or run-length encoded, 8/15/16/24/32 bits,
// any origin, with or without the version 2 footer (which Qt's own TGA reader requires).
#include <QByteArray>
#include <QImage>
#include <QString>

namespace fragdeck::archive
{

// A null image and a reason when the data is not a TGA this reads (or is cut short).
QImage readTga(const QByteArray& data, QString* error = nullptr);

} // namespace fragdeck::archive
