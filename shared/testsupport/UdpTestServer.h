#pragma once
// A game server stand-in on 127.0.0.1: records every datagram it receives and answers
// each with the replies a test scripts for it.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>
#include <functional>

namespace fragdeck::test
{

class UdpTestServer : public QObject
{
    Q_OBJECT
public:
    explicit UdpTestServer(QObject* parent = nullptr);
    quint16 port() const { return m_socket.localPort(); }

    // The replies to one request (none: silence). Each reply is sent as its own datagram.
    std::function<QList<QByteArray>(const QByteArray& request)> responder;
    // Replies for a request that starts with `prefix` (checked in the order added).
    void answer(const QByteArray& prefix, const QList<QByteArray>& replies);
    // Sends a datagram to the client that sent the last request.
    void sendToLastClient(const QByteArray& datagram);
    int replyDelayMs = 0;

    QList<QByteArray> received;

Q_SIGNALS:
    void datagramReceived(const QByteArray& datagram);

private:
    void onReadyRead();
    QUdpSocket m_socket;
    QList<QPair<QByteArray, QList<QByteArray>>> m_answers;
    QHostAddress m_lastHost;
    quint16 m_lastPort = 0;
};

// The four FF bytes every query datagram starts with.
QByteArray oob(const QByteArray& text);

} // namespace fragdeck::test
