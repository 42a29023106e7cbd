#include "Http.h"

#include "core/Failure.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace fragdeck
{

QUrl httpUrl(const QString& host, const QString& path)
{
    QString h = host.trimmed();
    while (h.endsWith(u'/'))
        h.chop(1);
    if (!h.contains(QLatin1String("://")))
        h.prepend(QLatin1String("http://"));
    return QUrl(h + path);
}

bool httpGet(const QUrl& url, int timeoutMs, qint64 maxBytes, HttpResponse* response,
             QString* error)
{
    HttpResponse& result = *response;
    result = {};
    if (!url.isValid() || url.host().isEmpty()) {
        result.connectionFailure = true;
        return fail(error, QStringLiteral("Invalid address %1").arg(url.toString()));
    }
    QNetworkAccessManager nam;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = nam.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false, tooLarge = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > maxBytes) {
            tooLarge = true;
            reply->abort();
        }
        timer.start(timeoutMs); // a live transfer keeps going; a stalled one ends
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool ok = false;
    QString why;
    if (timedOut) {
        result.connectionFailure = true;
        why = QStringLiteral("The server did not answer in time.");
    } else if (tooLarge) {
        why = QStringLiteral("The download is larger than %1 bytes.").arg(maxBytes);
    } else if (reply->error() != QNetworkReply::NoError) {
        switch (reply->error()) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::TimeoutError:
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::UnknownNetworkError:
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyNotFoundError:
            result.connectionFailure = true;
            break;
        default:
            break;
        }
        why = reply->errorString();
    } else {
        result.body = reply->readAll();
        if (result.body.size() > maxBytes)
            why = QStringLiteral("The download is larger than %1 bytes.").arg(maxBytes);
        else
            ok = true;
    }
    reply->deleteLater();
    return ok || fail(error, why);
}

} // namespace fragdeck
