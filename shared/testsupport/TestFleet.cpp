#include "TestFleet.h"

#include <chrono>

namespace fragdeck::test
{
namespace
{

const QByteArray kPrefix("\xff\xff\xff\xff", 4);

// The argument after the command, as the game's tokenizer gives it (first word).
QByteArray argument(const QByteArray& request, qsizetype commandLength)
{
    const QByteArray rest = request.mid(4 + commandLength).trimmed();
    const qsizetype space = rest.indexOf(' ');
    return space < 0 ? rest : rest.left(space);
}

} // namespace

TestFleet::TestFleet(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TestFleet::sendDue);
    m_epochNs = nowNs();
}

TestFleet::~TestFleet() = default;

qint64 TestFleet::nowNs() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool TestFleet::start(int count, quint32 first, quint16 port)
{
    m_random.seed(seed);
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QUdpSocket>();
        const QHostAddress host(first + quint32(i));
        if (!socket->bind(host, port))
            return false;
        Server s;
        s.host = host;
        s.port = socket->localPort();
        s.hostname = "Fleet " + QByteArray::number(i);
        const int index = int(m_servers.size());
        connect(socket.get(), &QUdpSocket::readyRead, this, [this, index] { onReadyRead(index); });
        m_servers.push_back(s);
        m_sockets.push_back(std::move(socket));
        m_buckets.emplace_back();
    }
    return true;
}

int TestFleet::indexOf(const QHostAddress& host, quint16 port) const
{
    for (size_t i = 0; i < m_servers.size(); ++i)
        if (m_servers[i].host == host && m_servers[i].port == port)
            return int(i);
    return -1;
}

void TestFleet::sendFrom(int server, const QByteArray& datagram, const QHostAddress& to,
                         quint16 port)
{
    m_sockets[size_t(server)]->writeDatagram(datagram, to, port);
}

QByteArray TestFleet::statusReply(int i, const QByteArray& nonce) const
{
    const Server& s = m_servers[size_t(i)];
    QByteArray r = kPrefix + "statusResponse\n";
    r += "\\sv_hostname\\" + s.hostname + "\\mapname\\" + s.map + "\\sv_maxclients\\" +
         QByteArray::number(s.maxClients) + "\\g_gametype\\" + QByteArray::number(s.gametype) +
         "\\gamename\\" + s.gamename + "\\protocol\\" + QByteArray::number(s.protocol) +
         "\\version\\ioq3 1.36_GIT linux-x86_64\\g_needpass\\" + (s.needPass ? "1" : "0") +
         "\\sv_privateClients\\0"
         "\\sv_floodProtect\\1\\fraglimit\\20\\timelimit\\15\\dmflags\\0" +
         s.extraInfo;
    if (s.sendHumanCount)
        r += "\\g_humanplayers\\" + QByteArray::number(s.humans);
    if (!nonce.isEmpty())
        r += "\\challenge\\" + nonce;
    r += '\n';
    for (int b = 0; b < s.bots; ++b)
        r += QByteArray::number(b) + " 0 \"^1Bot^7" + QByteArray::number(b) + "\"\n";
    for (int h = 0; h < s.humans; ++h)
        r += QByteArray::number(10 + h) + " " + QByteArray::number(s.latencyMs + 20) + " \"" +
             (h < s.humanNames.size() ? s.humanNames[h] : "Player " + QByteArray::number(h)) +
             "\"\n";
    return r;
}

QByteArray TestFleet::infoReply(int i, const QByteArray& nonce) const
{
    const Server& s = m_servers[size_t(i)];
    QByteArray r = kPrefix + "infoResponse\n";
    r += "\\protocol\\" + QByteArray::number(s.protocol) + "\\hostname\\" + s.hostname +
         "\\mapname\\" + s.map + "\\clients\\" + QByteArray::number(s.bots + s.humans) +
         "\\g_humanplayers\\" + QByteArray::number(s.humans) + "\\sv_maxclients\\" +
         QByteArray::number(s.maxClients) + "\\gametype\\" + QByteArray::number(s.gametype) +
         "\\gamename\\" + s.gamename;
    if (!nonce.isEmpty())
        r += "\\challenge\\" + nonce;
    return r;
}

int TestFleet::requestsFrom(int server, const QHostAddress& client) const
{
    const quint32 c = client.toIPv4Address();
    for (const Bucket& b : m_buckets[size_t(server)])
        if (b.client == c)
            return b.total;
    return 0;
}

bool TestFleet::limited(int server, const QHostAddress& from)
{
    // ioquake3's leaky bucket for one address: burst 10, period 1000 ms.
    constexpr int kBurst = 10;
    constexpr int kPeriodMs = 1000;
    const quint32 c = from.toIPv4Address();
    std::vector<Bucket>& list = m_buckets[size_t(server)];
    Bucket* b = nullptr;
    for (Bucket& x : list)
        if (x.client == c)
            b = &x;
    const qint64 now = (nowNs() - m_epochNs) / 1000000;
    if (!b) {
        list.push_back({c, 0, now, 0});
        b = &list.back();
    }
    ++b->total;
    if (!rateLimit)
        return false;
    const qint64 interval = now - b->lastMs;
    const qint64 expired = interval / kPeriodMs;
    if (expired > b->burst || interval < 0) {
        b->burst = 0;
        b->lastMs = now;
    } else {
        b->burst -= int(expired);
        b->lastMs = now - interval % kPeriodMs;
    }
    if (b->burst < kBurst) {
        ++b->burst;
        return false;
    }
    return true;
}

void TestFleet::onReadyRead(int i)
{
    QUdpSocket* socket = m_sockets[size_t(i)].get();
    while (socket->hasPendingDatagrams()) {
        QByteArray data(int(qMax<qint64>(socket->pendingDatagramSize(), 0)), Qt::Uninitialized);
        QHostAddress from;
        quint16 fromPort = 0;
        const qint64 len = socket->readDatagram(data.data(), data.size(), &from, &fromPort);
        if (len < 0)
            break;
        data.truncate(len);
        Server& s = m_servers[size_t(i)];
        ++s.received;
        s.lastRequest = data;
        if (intercept && intercept(i, data, from, fromPort))
            continue;
        if (limited(i, from)) {
            ++s.rateLimited;
            continue;
        }
        if (lossRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < lossRate) {
            ++s.lost;
            continue;
        }
        if (s.silent || !data.startsWith(kPrefix))
            continue;
        QByteArray reply;
        if (data.startsWith(kPrefix + "getstatus"))
            reply = statusReply(i, argument(data, 9));
        else if (data.startsWith(kPrefix + "getinfo"))
            reply = infoReply(i, argument(data, 7));
        if (reply.isEmpty())
            continue;
        ++s.answered;
        if (s.latencyMs <= 0) {
            socket->writeDatagram(reply, from, fromPort);
            continue;
        }
        const qint64 due = nowNs() + qint64(s.latencyMs) * 1000000;
        m_due.push({due, i, reply, from, fromPort});
        if (!m_timer.isActive() || m_due.top().ns == due)
            sendDue();
    }
}

void TestFleet::sendDue()
{
    // Sent up to a quarter millisecond early rather than up to a millisecond late: timers
    // count whole milliseconds.
    const qint64 now = nowNs();
    while (!m_due.empty() && m_due.top().ns <= now + 250000) {
        const Due& d = m_due.top();
        m_sockets[size_t(d.server)]->writeDatagram(d.data, d.to, d.port);
        m_due.pop();
    }
    if (m_due.empty()) {
        m_timer.stop();
        return;
    }
    const qint64 left = m_due.top().ns - now;
    m_timer.start(int(std::max<qint64>(0, left / 1000000)));
}

} // namespace fragdeck::test
