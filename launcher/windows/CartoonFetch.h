#pragma once
// Fetching the current cartoon strip: the index names the strip's picture, which is
// downloaded beside the launcher and decoded.
#include <QImage>
#include <QString>

namespace fragdeck::launcher
{

struct CartoonSetup {
    QString programFolder; // receives ufurl.dat and uf.gif (see downloadFolder())
    QString server;        // host, "host:port" or "http://host:port"
    int timeoutMs = 15000;
    qint64 indexMaxBytes = 64 * 1024;
    qint64 stripMaxBytes = 8 * 1024 * 1024;
};

struct CartoonFetch {
    enum Ending {
        Loaded,         // picture holds the strip
        ConnectFailure, // the server could not be reached or did not answer
        LoadFailure,    // anything else: an error status, a file that cannot be written,
                        // a picture that cannot be decoded
    } ending = LoadFailure;
    QImage picture;
    QString stripPath; // the path asked for: "/cartoons" + the index's first line
};

CartoonFetch fetchCartoon(const CartoonSetup& setup);

} // namespace fragdeck::launcher
