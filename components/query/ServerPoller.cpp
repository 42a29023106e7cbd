#include "ServerPoller.h"

#include "DatagramSocket.h"

#include <algorithm>
#include <cmath>

namespace fragdeck::query
{
namespace
{

constexpr int kNonceDigits = 12;    // 48 random bits per attempt
constexpr int kReadsPerEvent = 128; // then let other events run; the rest comes next turn

QByteArray nonceText(quint64 n)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray t(kNonceDigits, '0');
    for (int i = kNonceDigits - 1; i >= 0; --i, n >>= 4)
        t[i] = hex[n & 15];
    return t;
}

ServerAddress normalised(ServerAddress a)
{
    bool ok = false;
    const quint32 v4 = a.host.toIPv4Address(&ok);
    if (ok && a.host.protocol() == QAbstractSocket::IPv6Protocol)
        a.host = QHostAddress(v4);
    return a;
}

} // namespace

ServerPoller::ServerPoller(QObject* parent)
    : QObject(parent), m_random(QRandomGenerator::securelySeeded()), m_buffer(65536)
{
    m_clock.start();
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    m_deadlineTimer.setSingleShot(true);
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &ServerPoller::pump);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &ServerPoller::onDeadline);
}

ServerPoller::~ServerPoller() = default;

void ServerPoller::setSettings(const PollerSettings& s)
{
    m_settings = s;
    m_settings.maxInFlight = std::max(1, s.maxInFlight);
    m_settings.paceUs = std::max(0, s.paceUs);
    m_settings.attemptTimeoutMs = std::max(1, s.attemptTimeoutMs);
    m_settings.maxAttempts = std::clamp(s.maxAttempts, 1, 3);
}

int ServerPoller::addServers(const QList<ServerAddress>& servers)
{
    int added = 0;
    for (const ServerAddress& given : servers) {
        const ServerAddress a = normalised(given);
        if (a.isNull() || m_index.contains(a))
            continue;
        const int row = int(m_rows.size());
        ServerResult r;
        r.address = a;
        m_rows.push_back(std::move(r));
        m_work.emplace_back();
        m_index.insert(a, row);
        ++added;
        if (m_running && m_allQueued)
            queueRow(row, false);
    }
    if (added && m_running)
        pump();
    return added;
}

void ServerPoller::refreshAll()
{
    if (!m_running) {
        m_done = 0;
        m_total = 0;
        m_running = true;
        m_budget = 1;
        m_lastPumpNs = now();
    }
    m_allQueued = true;
    for (int row = 0; row < size(); ++row)
        if (!m_work[size_t(row)].active)
            queueRow(row, false);
    pump();
    checkFinished(); // an empty list is done at once
}

void ServerPoller::refresh(const ServerAddress& server)
{
    const ServerAddress a = normalised(server);
    if (a.isNull())
        return;
    int row = indexOf(a);
    if (row < 0) {
        const bool all = m_allQueued;
        m_allQueued = false; // added here, queued in front below
        addServers({a});
        m_allQueued = all;
        row = indexOf(a);
    }
    Work& w = m_work[size_t(row)];
    if (!m_running) {
        m_done = 0;
        m_total = 0;
        m_running = true;
        m_budget = 1;
        m_lastPumpNs = now();
    }
    if (w.active) {
        if (w.queued) {
            m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), row), m_queue.end());
            m_queue.push_front(row);
        }
    } else {
        queueRow(row, true);
    }
    pump();
}

void ServerPoller::queueRow(int row, bool first)
{
    Work& w = m_work[size_t(row)];
    ServerResult& r = m_rows[size_t(row)];
    ++w.generation;
    w.before = r.status;
    w.active = true;
    w.queued = true;
    r.attempts = 0;
    r.status = ServerResult::Status::Querying;
    ++m_total;
    if (first)
        m_queue.push_front(row);
    else
        m_queue.push_back(row);
}

void ServerPoller::stop()
{
    if (!m_running)
        return;
    endRun();
    m_queue.clear();
    m_inFlight = 0;
    QList<int> reverted;
    for (int row = 0; row < size(); ++row) {
        Work& w = m_work[size_t(row)];
        if (!w.active)
            continue;
        w.active = false;
        w.queued = false;
        m_rows[size_t(row)].status = w.before;
        reverted.append(row);
    }
    for (int row : reverted)
        Q_EMIT serverUpdated(row);
    Q_EMIT finished();
}

void ServerPoller::setListOpen(bool open)
{
    m_listOpen = open;
    if (!open)
        checkFinished();
}

QList<ServerResult> ServerPoller::results() const
{
    return QList<ServerResult>(m_rows.begin(), m_rows.end());
}

void ServerPoller::pump()
{
    if (!m_running)
        return;
    const qint64 t = now();
    const double paceNs = std::max(1, m_settings.paceUs) * 1000.0;
    // A late timer may send a few at once, never a long burst.
    const double cap = std::max(2.0, 2e6 / paceNs);
    m_budget = std::min(cap, m_budget + double(t - m_lastPumpNs) / paceNs);
    m_lastPumpNs = t;
    if (m_settings.paceUs == 0)
        m_budget = 1e9;
    while (m_budget >= 1) {
        int row = -1;
        while (!m_retries.empty() && row < 0) {
            const auto [r, generation] = m_retries.front();
            m_retries.pop_front();
            const Work& w = m_work[size_t(r)];
            if (w.active && w.generation == generation)
                row = r;
        }
        if (row < 0 && !m_queue.empty() && m_inFlight < m_settings.maxInFlight) {
            row = m_queue.front();
            m_queue.pop_front();
            m_work[size_t(row)].queued = false;
            ++m_inFlight;
        }
        if (row < 0)
            break;
        sendAttempt(row);
        m_budget -= 1;
        if (!m_running)
            return;
    }
    const bool more =
        !m_retries.empty() || (!m_queue.empty() && m_inFlight < m_settings.maxInFlight);
    if (more && !m_paceTimer.isActive()) {
        const double waitNs = (1 - m_budget) * paceNs;
        m_paceTimer.start(std::max(1, int(std::ceil(waitNs / 1e6))));
    }
}

QUdpSocket* ServerPoller::socketFor(const QHostAddress& host)
{
    const bool v6 = host.protocol() == QAbstractSocket::IPv6Protocol;
    std::unique_ptr<QUdpSocket>& s = v6 ? m_v6 : m_v4;
    if (!s) {
        // Replies of a whole refresh arrive within moments; room for them in the kernel.
        s = bindDatagramSocket(v6, 4 << 20);
        if (!s)
            return nullptr;
        QUdpSocket* raw = s.get();
        connect(raw, &QUdpSocket::readyRead, this, [this, raw] { onReadyRead(raw); });
    }
    return s.get();
}

void ServerPoller::sendAttempt(int row)
{
    Work& w = m_work[size_t(row)];
    ServerResult& r = m_rows[size_t(row)];
    const int k = r.attempts;
    Attempt& a = w.attempts[k];
    a.nonce = m_random.generate64() & ((quint64(1) << (4 * kNonceDigits)) - 1);
    r.attempts = k + 1;
    ++m_sent;
    QUdpSocket* socket = socketFor(r.address.host);
    a.sentNs = now();
    if (socket)
        socket->writeDatagram(statusRequest(nonceText(a.nonce)), r.address.host, r.address.port);
    // A send that failed (no route, no socket) runs out like a lost datagram.
    m_deadlines.push_back(
        {a.sentNs + qint64(m_settings.attemptTimeoutMs) * 1000000, row, w.generation, k});
    if (!m_deadlineTimer.isActive())
        armDeadline();
}

void ServerPoller::armDeadline()
{
    if (m_deadlines.empty())
        return;
    const qint64 left = m_deadlines.front().ns - now();
    m_deadlineTimer.start(std::max<qint64>(0, (left + 999999) / 1000000));
}

void ServerPoller::onDeadline()
{
    const qint64 t = now();
    while (!m_deadlines.empty() && m_deadlines.front().ns <= t) {
        const Deadline d = m_deadlines.front();
        m_deadlines.pop_front();
        const Work& w = m_work[size_t(d.row)];
        const ServerResult& r = m_rows[size_t(d.row)];
        if (!w.active || w.generation != d.generation || r.attempts != d.attempt + 1)
            continue; // answered, or a later attempt is out already
        if (r.attempts < m_settings.maxAttempts) {
            m_retries.emplace_back(d.row, d.generation);
        } else {
            finishRow(d.row, false);
            if (!m_running)
                return;
        }
    }
    armDeadline();
    pump();
}

void ServerPoller::onReadyRead(QUdpSocket* socket)
{
    // Everything waiting is read and stamped first, then parsed, so that parsing one reply
    // never adds to the ping of the next.
    struct Arrival {
        qint64 at;
        qint64 offset;
        qint64 length;
        QHostAddress host;
        quint16 port;
    };
    std::vector<Arrival> batch;
    qint64 used = 0;
    while (int(batch.size()) < kReadsPerEvent && socket->hasPendingDatagrams()) {
        if (qint64(m_buffer.size()) - used < 65536)
            m_buffer.resize(size_t(used) + 65536);
        Arrival a;
        a.length = socket->readDatagram(m_buffer.data() + used, 65536, &a.host, &a.port);
        a.at = now();
        if (a.length < 0)
            break;
        a.offset = used;
        used += a.length;
        batch.push_back(std::move(a));
    }
    for (const Arrival& a : batch) {
        const int row = m_index.value(ServerAddress{a.host, a.port}, -1);
        if (row < 0)
            continue;
        Work& w = m_work[size_t(row)];
        ServerResult& r = m_rows[size_t(row)];
        if (!w.active || r.attempts == 0)
            continue;
        auto parsed = parseStatusResponse(QByteArrayView(m_buffer.data() + a.offset, a.length));
        if (!parsed)
            continue;
        int answered = -1;
        if (parsed->challenge.size() == kNonceDigits)
            for (int k = 0; k < r.attempts; ++k)
                if (parsed->challenge == nonceText(w.attempts[k].nonce))
                    answered = k;
        if (answered < 0)
            continue;
        r.pingUs = (a.at - w.attempts[answered].sentNs) / 1000;
        r.info = std::move(parsed->info);
        r.answered = true;
        r.status = ServerResult::Status::Ok;
        finishRow(row, true);
        if (!m_running)
            return;
    }
}

void ServerPoller::finishRow(int row, bool answered)
{
    Work& w = m_work[size_t(row)];
    w.active = false;
    --m_inFlight;
    ++m_done;
    if (!answered)
        m_rows[size_t(row)].status = ServerResult::Status::NoReply;
    Q_EMIT serverUpdated(row);
    if (!m_running)
        return;
    Q_EMIT progress(m_done, m_total);
    if (!m_running)
        return;
    pump();
    checkFinished();
}

void ServerPoller::checkFinished()
{
    if (!m_running || m_listOpen || m_inFlight > 0 || !m_queue.empty())
        return;
    endRun();
    Q_EMIT finished();
}

void ServerPoller::endRun()
{
    m_running = false;
    m_allQueued = false;
    m_retries.clear();
    m_deadlines.clear();
    m_paceTimer.stop();
    m_deadlineTimer.stop();
}

} // namespace fragdeck::query
