#pragma once
// A web server stand-in on 127.0.0.1 serving canned bodies by path.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace fragdeck::test
{

class HttpTestServer : public QObject
{
    Q_OBJECT
public:
    explicit HttpTestServer(QObject* parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    QString hostPort() const; // "127.0.0.1:PORT"

    void serve(const QString& path, const QByteArray& body, int status = 200);
    // Accepts the connection for this path and never answers.
    void hang(const QString& path) { m_hanging.insert(path); }
    QStringList requests; // paths asked for, in order

private:
    void onConnection();
    QTcpServer m_server;
    QHash<QString, QPair<int, QByteArray>> m_routes;
    QSet<QString> m_hanging;
    QHash<QObject*, QByteArray> m_buffers;
};

// A port on 127.0.0.1 where nothing listens.
quint16 closedPort();

} // namespace fragdeck::test
