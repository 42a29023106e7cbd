#include "HttpTestServer.h"

#include <QTcpSocket>

namespace fragdeck::test
{

HttpTestServer::HttpTestServer(QObject* parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &HttpTestServer::onConnection);
}

QString HttpTestServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void HttpTestServer::serve(const QString& path, const QByteArray& body, int status)
{
    m_routes.insert(path, {status, body});
}

void HttpTestServer::onConnection()
{
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        s->setParent(this);
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
            QByteArray& buf = m_buffers[s];
            buf += s->readAll();
            if (!buf.contains("\r\n\r\n"))
                return;
            const QList<QByteArray> first = buf.left(buf.indexOf("\r\n")).split(' ');
            const QString path = first.size() > 1 ? QString::fromLatin1(first[1]) : QString();
            requests.append(path);
            if (m_hanging.contains(path))
                return;
            const auto it = m_routes.constFind(path);
            const int status = it == m_routes.cend() ? 404 : it->first;
            const QByteArray body = it == m_routes.cend() ? QByteArray("not found") : it->second;
            QByteArray resp =
                "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error") +
                "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            s->write(resp);
            s->disconnectFromHost();
        });
        connect(s, &QObject::destroyed, this, [this, s] { m_buffers.remove(s); });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 p = probe.serverPort();
    probe.close();
    return p;
}

} // namespace fragdeck::test
