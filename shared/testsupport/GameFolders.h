#pragma once
// Made-up game folders for the tests: pk3 archives written with the zip writer, loose
// files, a fake game program, and real JPEG and TGA level shots.
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>

namespace fragdeck::test
{

inline QByteArray jpegBytes(QColor colour, int w = 64, int h = 48)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 95);
    return out;
}

// An uncompressed 24-bit true-colour TGA, bottom-up as the game writes them.
inline QByteArray tgaBytes(QColor colour, int w = 32, int h = 16)
{
    QByteArray out(18, '\0');
    out[2] = 2;
    out[12] = char(w & 0xff);
    out[13] = char(w >> 8);
    out[14] = char(h & 0xff);
    out[15] = char(h >> 8);
    out[16] = 24;
    for (int i = 0; i < w * h; ++i) {
        out.append(char(colour.blue()));
        out.append(char(colour.green()));
        out.append(char(colour.red()));
    }
    out.append(QByteArray(8, '\0'));
    out.append("TRUEVISION-XFILE.", 17);
    out.append('\0');
    return out;
}

// A file named like the game's program that startGame accepts (never run: tests record
// the starts), or a stand-in for another program running `script`.
inline QString fakeProgram(const QString& path, const QByteArray& script = "#!/bin/sh\nexit 0\n")
{
    writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The player's OpenArena: the program `program`, and a q3config.cfg where the game keeps it
// below `home`, both named in the store.
inline void setUpOpenArena(const QString& program, const QString& home)
{
    setGamePaths(program, writeFile(home + QStringLiteral("/.openarena/baseoa/q3config.cfg"),
                                    "seta name x\n"));
}

} // namespace fragdeck::test
