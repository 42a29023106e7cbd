#include "TgaReader.h"

namespace fragdeck::archive
{
namespace
{

constexpr int kMaxSide = 32768;
constexpr qint64 kMaxPixels = qint64(64) * 1024 * 1024;

struct Reader {
    const uchar* p;
    qsizetype size;
    qsizetype pos = 0;
    bool has(qsizetype n) const { return n >= 0 && pos <= size && size - pos >= n; }
    uint u8() { return p[pos++]; }
    uint u16()
    {
        const uint v = p[pos] | (uint(p[pos + 1]) << 8);
        pos += 2;
        return v;
    }
};

QImage fail(QString* error, const char* why)
{
    if (error)
        *error = QString::fromLatin1(why);
    return QImage();
}

// One pixel of `bytes` bytes at `at` as ARGB.
QRgb decode(const uchar* at, int depth, bool grey, bool alpha16)
{
    switch (depth) {
    case 8:
        return grey ? qRgb(at[0], at[0], at[0]) : qRgb(0, 0, 0);
    case 15:
    case 16: {
        const uint v = at[0] | (uint(at[1]) << 8);
        const int r = int((v >> 10) & 31), g = int((v >> 5) & 31), b = int(v & 31);
        const int a = (alpha16 && depth == 16) ? ((v & 0x8000) ? 255 : 0) : 255;
        return qRgba((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2), a);
    }
    case 24:
        return qRgb(at[2], at[1], at[0]);
    case 32:
        return qRgba(at[2], at[1], at[0], at[3]);
    default:
        return qRgb(0, 0, 0);
    }
}

} // namespace

QImage readTga(const QByteArray& data, QString* error)
{
    Reader r{reinterpret_cast<const uchar*>(data.constData()), data.size()};
    if (!r.has(18))
        return fail(error, "The file is too short for a TGA picture.");
    const uint idLength = r.u8();
    const uint mapType = r.u8();
    const uint type = r.u8();
    const uint mapFirst = r.u16();
    const uint mapLength = r.u16();
    const uint mapDepth = r.u8();
    r.pos += 4; // origin
    const int width = int(r.u16());
    const int height = int(r.u16());
    const int depth = int(r.u8());
    const uint descriptor = r.u8();

    const bool rle = type >= 9 && type <= 11;
    const uint base = rle ? type - 8 : type;
    if (base < 1 || base > 3 || mapType > 1)
        return fail(error, "The file is not a TGA picture of a supported type.");
    const bool mapped = base == 1, grey = base == 3;
    if (mapped && (mapType != 1 || depth != 8))
        return fail(error, "The TGA picture's colour map is not supported.");
    if ((grey && depth != 8) ||
        (!mapped && !grey && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return fail(error, "The TGA picture's pixel depth is not supported.");
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        qint64(width) * height > kMaxPixels)
        return fail(error, "The TGA picture's size is not supported.");
    const bool alpha = depth == 32 || (depth == 16 && (descriptor & 0x0f) != 0);

    if (!r.has(idLength))
        return fail(error, "The TGA picture is cut short.");
    r.pos += idLength;
    QList<QRgb> palette;
    if (mapType == 1) {
        const int entry = int((mapDepth + 7) / 8);
        if (mapDepth != 15 && mapDepth != 16 && mapDepth != 24 && mapDepth != 32)
            return fail(error, "The TGA picture's colour map is not supported.");
        if (!r.has(qsizetype(mapLength) * entry))
            return fail(error, "The TGA picture is cut short.");
        for (uint i = 0; i < mapLength; ++i) {
            palette.append(decode(r.p + r.pos, int(mapDepth), false, alpha));
            r.pos += entry;
        }
    }

    const int bytes = (depth + 7) / 8;
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return fail(error, "The TGA picture is too large.");
    const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
    auto pixelOf = [&](const uchar* at) -> QRgb {
        if (mapped) {
            const uint index = at[0];
            const qsizetype i = qsizetype(index) - qsizetype(mapFirst);
            return (i >= 0 && i < palette.size()) ? palette[i] : qRgb(0, 0, 0);
        }
        return decode(at, depth, grey, alpha);
    };
    const qint64 total = qint64(width) * height;
    qint64 n = 0;
    auto put = [&](QRgb c) {
        const int row = int(n / width), col = int(n % width);
        const int y = topDown ? row : height - 1 - row;
        const int x = rightToLeft ? width - 1 - col : col;
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = c;
        ++n;
    };
    while (n < total) {
        if (!rle) {
            if (!r.has(bytes))
                return fail(error, "The TGA picture is cut short.");
            put(pixelOf(r.p + r.pos));
            r.pos += bytes;
            continue;
        }
        if (!r.has(1))
            return fail(error, "The TGA picture is cut short.");
        const uint packet = r.u8();
        const qint64 count = std::min<qint64>((packet & 0x7f) + 1, total - n);
        if (packet & 0x80) {
            if (!r.has(bytes))
                return fail(error, "The TGA picture is cut short.");
            const QRgb c = pixelOf(r.p + r.pos);
            r.pos += bytes;
            for (qint64 i = 0; i < count; ++i)
                put(c);
        } else {
            if (!r.has(qsizetype(count) * bytes))
                return fail(error, "The TGA picture is cut short.");
            for (qint64 i = 0; i < count; ++i) {
                put(pixelOf(r.p + r.pos));
                r.pos += bytes;
            }
        }
    }
    if (error)
        error->clear();
    return image;
}

} // namespace fragdeck::archive
