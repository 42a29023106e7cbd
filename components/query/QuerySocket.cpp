#include "QuerySocket.h"

#include "QueryProtocol.h"
#include "core/Clock.h"
#include "core/HostLookup.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QThread>
#include <QUdpSocket>
#include <algorithm>

namespace fragdeck::query
{
namespace
{

// The handler may wait nested in itself; such waits also look for datagrams themselves
// this often, in case no socket event wakes them.
constexpr int kPollMs = 10;
// "HALFLIFE" runs at most four steps; a nested Connect cannot make the chain endless.
constexpr int kMaxSteps = 8;

struct HandlerDepth {
    explicit HandlerDepth(int& d) : depth(d) { ++depth; }
    ~HandlerDepth() { --depth; }
    int& depth;
};

thread_local QueryState t_state;
thread_local QPointer<QuerySocket> t_socket;

} // namespace

QueryState& queryState()
{
    return t_state;
}

QuerySocket& QuerySocket::instance()
{
    if (!t_socket) {
        auto* w = new QuerySocket;
        QCoreApplication* app = QCoreApplication::instance();
        if (app && app->thread() == QThread::currentThread())
            w->setParent(app);
        else if (QThread* thread = QThread::currentThread())
            connect(thread, &QThread::finished, w, &QObject::deleteLater);
        t_socket = w;
    }
    return *t_socket;
}

QuerySocket::QuerySocket()
{
    setObjectName(QStringLiteral("frm_main"));
    m_winsck = new QUdpSocket(this);
    m_winsck->setObjectName(QStringLiteral("Winsck"));
    // Queued, so the handler never runs inside the socket's own signal emission: its nested
    // waits then see later datagrams, and a Connect inside them may safely reopen the socket.
    connect(m_winsck, &QUdpSocket::readyRead, this, &QuerySocket::onDataArrival,
            Qt::QueuedConnection);
}

void QuerySocket::closeSocket()
{
    m_winsck->abort();
    ++m_closes;
}

void QuerySocket::openSocket()
{
    const QueryState& st = t_state;
    m_winsck->abort();
    if (st.HostPort < 1 || st.HostPort > 65535)
        return;
    const QList<QHostAddress> found = lookUpHost(st.Hostname);
    if (found.isEmpty())
        return; // an unknown host ends as a time-out
    // Connected: the system drops datagrams from any other address.
    m_winsck->connectToHost(found.first(), quint16(st.HostPort));
}

bool QuerySocket::hasDatagram() const
{
    // A socket that was never opened (bad target, after Quit) has nothing to read.
    return m_winsck->isValid() && m_winsck->hasPendingDatagrams();
}

void QuerySocket::send(const QByteArray& datagram)
{
    if (datagram.isEmpty() || m_winsck->state() != QAbstractSocket::ConnectedState)
        return;
    m_winsck->write(datagram); // a failed send ends as a time-out
}

void QuerySocket::sendCurrentRequest()
{
    const QueryState& st = t_state;
    send(requestDatagram(protocolOf(st.HostType), st.Stage, st.CustomRequest));
}

void QuerySocket::Query()
{
    queryStep(0);
}

void QuerySocket::queryStep(int depth)
{
    QueryState& st = t_state;
    openSocket();
    st.Waiting = true;
    const Protocol protocol = protocolOf(st.HostType);
    if (protocol != Protocol::HalfLife) {
        if (protocol != Protocol::None)
            sendCurrentRequest();
        wait(true);
        return;
    }
    // Each stage keeps its reply; the info and rules stages start from a placeholder.
    QByteArray* kept = nullptr;
    switch (st.Stage) {
    case 0:
        st.Reply = "info_empty";
        kept = &st.InfoReply;
        break;
    case 1:
        st.Reply = "EMPTY";
        kept = &st.RulesReply;
        break;
    case 2:
        kept = &st.PlayersReply;
        break;
    default:
        break;
    }
    if (kept) {
        st.WaitTimer.StopTimer();
        st.WaitTimer.StartTimer();
        sendCurrentRequest();
        if (wait(false))
            return;
        *kept = st.Reply;
    }
    if (st.Stage != 3 && depth + 1 < kMaxSteps)
        queryStep(depth + 1);
}

void QuerySocket::Iter()
{
    sendCurrentRequest();
    wait(true);
}

bool QuerySocket::wait(bool startTimer)
{
    QueryState& st = t_state;
    if (startTimer)
        st.WaitTimer.StartTimer();
    const int closes = m_closes;
    for (;;) {
        const int32_t elapsed = st.WaitTimer.Elapsed();
        // A Quit inside the wait stops the timer; without this the wait would never end.
        if (elapsed > st.TimeOut || closes != m_closes) {
            st.TimedOut = true;
            return true;
        }
        if (!(hasDatagram() && onDataArrival())) {
            int64_t slice = int64_t(st.TimeOut) - elapsed + 1;
            if (m_handlerDepth > 0)
                slice = std::min<int64_t>(slice, kPollMs);
            pumpEvents(int(std::min<int64_t>(slice, 1000)));
        }
        if (!st.Waiting)
            return false;
    }
}

bool QuerySocket::onDataArrival()
{
    if (!hasDatagram())
        return false; // already taken in by a wait
    const qint64 size = m_winsck->pendingDatagramSize();
    QByteArray datagram(qMax<qint64>(size, 0), Qt::Uninitialized);
    const qint64 got = m_winsck->readDatagram(datagram.data(), datagram.size());
    if (got < 0)
        return false;
    datagram.truncate(got);
    QueryState& st = t_state;
    st.WaitTimer.StopTimer();
    const HandlerDepth depth(m_handlerDepth);
    if (st.RepliesSeen < INT16_MAX) // a flood of replies must not overflow the count
        ++st.RepliesSeen;
    if (st.RepliesSeen < st.RepliesNeeded) {
        Iter();
        return true;
    }
    if (protocolOf(st.HostType) != Protocol::HalfLife || st.Stage == 3) {
        st.Reply = datagram;
        st.Waiting = false;
        return true;
    }
    ++st.Stage;
    st.RepliesNeeded = 3;
    st.TimedOut = false;
    st.RepliesSeen = 0;
    st.Reply = datagram;
    st.Waiting = false;
    return true;
}

} // namespace fragdeck::query
