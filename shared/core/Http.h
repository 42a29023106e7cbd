#pragma once
// HTTP GET of a small resource as raw bytes, waited for in a local event loop.
#include <QByteArray>
#include <QString>
#include <QUrl>

namespace fragdeck
{

struct HttpResponse {
    // The server could not be reached or did not answer in time (as opposed to an HTTP
    // error status or a too-large body).
    bool connectionFailure = false;
    int status = 0;
    QByteArray body;
};

constexpr qint64 kHttpMaxBytes = 8 * 1024 * 1024;

// Fails with connectionFailure when nothing arrives within timeoutMs (also when a server
// accepts the connection and then never answers); fails when the body passes maxBytes.
bool httpGet(const QUrl& url, int timeoutMs, qint64 maxBytes, HttpResponse* response,
             QString* error = nullptr);

// "host" or "host:port" or "http://host:port" and a path -> the URL to fetch.
QUrl httpUrl(const QString& host, const QString& path);

} // namespace fragdeck
