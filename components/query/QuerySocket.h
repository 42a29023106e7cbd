#pragma once
// The engine's UDP socket and its hidden owner, one per thread, created on first use and
// kept for the thread's lifetime. It runs the exchange: Query, Iter, the waits and the
// data-arrival handler, over the thread's QueryState.
#include "QueryState.h"

#include <QObject>

class QUdpSocket;

namespace fragdeck::query
{

// The query state of the calling thread.
QueryState& queryState();

class QuerySocket : public QObject
{
    Q_OBJECT
public:
    // The calling thread's instance.
    static QuerySocket& instance();

    // One whole exchange step (and, for "HALFLIFE", the following steps).
    void Query();
    // Sends the current request again and waits.
    void Iter();
    // Closes the socket; a wait that is running ends as a time-out.
    void closeSocket();

    QUdpSocket* socket() const { return m_winsck; }

private:
    QuerySocket();
    void queryStep(int depth);
    void openSocket();
    bool hasDatagram() const;
    void send(const QByteArray& datagram);
    void sendCurrentRequest();
    // Waits for Waiting to turn false or the wait timer to pass TimeOut; true on time-out.
    bool wait(bool startTimer);
    // The data-arrival handler: takes in one datagram; false when there was none.
    bool onDataArrival();

    QUdpSocket* m_winsck = nullptr;
    int m_closes = 0;
    int m_handlerDepth = 0;
};

} // namespace fragdeck::query
