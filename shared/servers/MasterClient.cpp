#include "MasterClient.h"

#include "core/Clock.h"

#include <QPointer>

namespace fragdeck::servers
{
namespace
{
constexpr int kStragglerMs = 100;
// Datagrams handled in one turn of the event loop; the rest wait for the next turn, so a
// list of tens of thousands of servers never holds up the windows.
constexpr int kDatagramsPerEvent = 2;
} // namespace

bool MasterServer::parse(const QString& text, MasterServer* out)
{
    MasterServer m;
    if (!readHostPort(text.trimmed(), kDefaultMasterPort, &m.host, &m.port) ||
        m.host.contains(u'/'))
        return false;
    *out = m;
    return true;
}

QString MasterServer::toString() const
{
    if (host.contains(u':'))
        return QStringLiteral("[%1]:%2").arg(host).arg(port);
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

int MasterOutcome::skippedTotal() const
{
    int n = 0;
    for (int k : skipped)
        n += k;
    return n;
}

QString MasterOutcome::notes(const MasterLimits& limits) const
{
    QStringList parts;
    QStringList kinds;
    for (int i = 0; i < kAddressScopeCount; ++i)
        if (skipped[i])
            kinds.append(QStringLiteral("%1 %2").arg(skipped[i]).arg(scopeName(AddressScope(i))));
    if (!kinds.isEmpty())
        parts.append(QStringLiteral("skipped %1").arg(kinds.join(QStringLiteral(", "))));
    if (overServerLimit)
        parts.append(QStringLiteral("%1 past the limit of %2 servers")
                         .arg(overServerLimit)
                         .arg(limits.maxServers));
    if (datagramLimit)
        parts.append(QStringLiteral("list cut at %1 datagrams").arg(limits.maxDatagrams));
    if (timeLimit)
        parts.append(QStringLiteral("list cut after %1 s").arg(limits.maxListMs / 1000.0));
    return parts.join(QStringLiteral("; "));
}

QString describe(MasterOutcome::State state)
{
    switch (state) {
    case MasterOutcome::State::Waiting:
        return QStringLiteral("waiting");
    case MasterOutcome::State::Complete:
        return QStringLiteral("complete");
    case MasterOutcome::State::TimedOut:
        return QStringLiteral("time-out after part of the list");
    case MasterOutcome::State::NoReply:
        return QStringLiteral("no reply");
    case MasterOutcome::State::CannotResolve:
        return QStringLiteral("cannot resolve");
    case MasterOutcome::State::Stopped:
        return QStringLiteral("stopped");
    }
    return {};
}

MasterClient::MasterClient(QObject* parent)
    : QObject(parent), m_resolver(systemResolver()),
      m_sockets(1 << 20, [this](QUdpSocket* socket) { onReadyRead(socket); })
{
    // One coarse tick checks every master's deadline; the deadlines are seconds long.
    m_tick.setInterval(50);
    connect(&m_tick, &QTimer::timeout, this, &MasterClient::onTick);
}

MasterClient::~MasterClient() = default;

void MasterClient::query(const QList<MasterServer>& masters, int protocol)
{
    stop();
    ++m_generation;
    m_protocol = protocol;
    m_outcomes.clear();
    m_deadlines.clear();
    m_listEnds.clear();
    m_ended.clear();
    m_servers.clear();
    m_seen.clear();
    for (const MasterServer& m : masters) {
        MasterOutcome o;
        o.master = m;
        m_outcomes.append(o);
        m_deadlines.append(0);
        m_listEnds.append(0);
        m_ended.append(false);
    }
    m_running = true;
    m_tick.start();
    const quint32 generation = m_generation;
    QPointer<MasterClient> self(this);
    for (int i = 0; i < masters.size() && self && m_generation == generation; ++i)
        m_resolver(masters[i].host, this,
                   [self, i, generation](const QList<QHostAddress>& addresses) {
                       if (self)
                           self->resolved(i, generation, addresses);
                   });
    if (self)
        checkFinished(); // no masters at all
}

void MasterClient::resolved(int index, quint32 generation, const QList<QHostAddress>& addresses)
{
    if (generation != m_generation || !m_running || index >= m_outcomes.size() ||
        m_outcomes[index].state != MasterOutcome::State::Waiting)
        return;
    QHostAddress chosen;
    for (const QHostAddress& a : addresses)
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = a;
            break;
        }
    if (chosen.isNull())
        for (const QHostAddress& a : addresses)
            if (a.protocol() == QAbstractSocket::IPv6Protocol) {
                chosen = a;
                break;
            }
    if (chosen.isNull()) {
        finishMaster(index, MasterOutcome::State::CannotResolve);
        return;
    }
    const bool v6 = chosen.protocol() == QAbstractSocket::IPv6Protocol;
    m_outcomes[index].address = chosen;
    QUdpSocket* socket = m_sockets.forFamily(v6);
    if (socket)
        socket->writeDatagram(masterRequest(m_protocol, v6), chosen, m_outcomes[index].master.port);
    m_deadlines[index] = Clock::now() + qint64(m_collectTimeoutMs) * 1000000;
}

void MasterClient::onReadyRead(QUdpSocket* socket)
{
    QPointer<MasterClient> self(this);
    for (int n = 0; self && n < kDatagramsPerEvent && socket->hasPendingDatagrams(); ++n) {
        QByteArray data(int(qMax<qint64>(socket->pendingDatagramSize(), 0)), Qt::Uninitialized);
        QHostAddress host;
        quint16 port = 0;
        const qint64 len = socket->readDatagram(data.data(), data.size(), &host, &port);
        if (len < 0 || !m_running)
            continue;
        data.truncate(len);
        int index = -1;
        for (int i = 0; i < m_outcomes.size(); ++i)
            if (m_outcomes[i].master.port == port && m_outcomes[i].address == host &&
                !m_outcomes[i].address.isNull()) {
                index = i;
                break;
            }
        if (index < 0)
            continue;
        MasterOutcome& o = m_outcomes[index];
        // A straggler after the list's end is still taken while other masters run.
        const bool listed =
            o.state == MasterOutcome::State::Waiting || o.state == MasterOutcome::State::Complete;
        if (!listed)
            continue;
        if (o.datagrams >= m_limits.maxDatagrams) {
            o.datagramLimit = true; // a flood: read and dropped unparsed
            if (o.state == MasterOutcome::State::Waiting)
                finishMaster(index, m_ended[index] ? MasterOutcome::State::Complete
                                                   : MasterOutcome::State::TimedOut);
            continue;
        }
        const MasterReply reply = parseMasterReply(data);
        if (!reply.valid)
            continue;
        if (o.datagrams++ == 0)
            m_listEnds[index] = Clock::now() + qint64(m_limits.maxListMs) * 1000000;
        o.servers += int(reply.servers.size());
        const AddressScope masterScope = addressScope(o.address);
        QList<ServerAddress> fresh;
        for (const ServerAddress& a : reply.servers) {
            const AddressScope scope = addressScope(a.host);
            if (!masterMayList(masterScope, scope)) {
                ++o.skipped[int(scope)];
                continue;
            }
            if (m_seen.contains(a))
                continue;
            if (m_servers.size() >= m_limits.maxServers) {
                ++o.overServerLimit;
                continue;
            }
            m_seen.insert(a);
            m_servers.append(a);
            fresh.append(a);
        }
        if (reply.endOfList)
            m_ended[index] = true;
        if (o.state == MasterOutcome::State::Waiting) {
            // Datagrams come in no fixed order: after the end mark, a moment for stragglers.
            const qint64 wait =
                m_ended[index] ? qMin(kStragglerMs, m_collectTimeoutMs) : m_collectTimeoutMs;
            m_deadlines[index] = Clock::now() + qint64(wait) * 1000000;
        }
        if (!fresh.isEmpty())
            Q_EMIT serversFound(fresh);
    }
}

void MasterClient::onTick()
{
    const qint64 t = Clock::now();
    QPointer<MasterClient> self(this);
    for (int i = 0; self && i < m_outcomes.size(); ++i) {
        if (m_outcomes[i].state != MasterOutcome::State::Waiting)
            continue;
        // A master that keeps sending never holds the list open past the time limit.
        const bool overTime = m_listEnds[i] > 0 && t >= m_listEnds[i];
        if (overTime && !m_ended[i])
            m_outcomes[i].timeLimit = true;
        if (overTime || (m_deadlines[i] > 0 && t >= m_deadlines[i]))
            finishMaster(i, m_ended[i]                ? MasterOutcome::State::Complete
                            : m_outcomes[i].datagrams ? MasterOutcome::State::TimedOut
                                                      : MasterOutcome::State::NoReply);
    }
}

void MasterClient::finishMaster(int index, MasterOutcome::State state)
{
    m_outcomes[index].state = state;
    m_deadlines[index] = 0;
    m_listEnds[index] = 0;
    QPointer<MasterClient> self(this);
    Q_EMIT masterFinished(index);
    if (self)
        checkFinished();
}

void MasterClient::checkFinished()
{
    if (!m_running)
        return;
    for (const MasterOutcome& o : m_outcomes)
        if (o.state == MasterOutcome::State::Waiting)
            return;
    m_running = false;
    m_tick.stop();
    Q_EMIT finished();
}

void MasterClient::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_tick.stop();
    ++m_generation;
    for (MasterOutcome& o : m_outcomes)
        if (o.state == MasterOutcome::State::Waiting)
            o.state = MasterOutcome::State::Stopped;
    Q_EMIT finished();
}

} // namespace fragdeck::servers
