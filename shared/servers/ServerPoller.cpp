#include "ServerPoller.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fragdeck::servers
{
namespace
{

constexpr int kNonceDigits = 12;      // 48 random bits per attempt
constexpr int kReadsPerEvent = 128;   // then let other events run; the rest comes next turn
constexpr int kRttSamplesNeeded = 20; // answers before the time-out follows them

QByteArray nonceText(quint64 n)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray t(kNonceDigits, '0');
    for (int i = kNonceDigits - 1; i >= 0; --i, n >>= 4)
        t[i] = hex[n & 15];
    return t;
}

} // namespace

ServerPoller::ServerPoller(QObject* parent)
    : QObject(parent),
      // Replies of a whole refresh arrive within moments; room for them in the kernel.
      m_sockets(4 << 20, [this](QUdpSocket* socket) { onReadyRead(socket); }),
      m_random(QRandomGenerator::securelySeeded()), m_buffer(65536)
{
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
    m_settings.minAttemptTimeoutMs =
        std::clamp(s.minAttemptTimeoutMs, 1, m_settings.attemptTimeoutMs);
    m_settings.maxAttempts = std::clamp(s.maxAttempts, 1, 3);
    m_timeoutMs = -1;
}

void ServerPoller::beginRun()
{
    m_done = 0;
    m_total = 0;
    m_running = true;
    m_budget = 1;
    m_lastPumpNs = now();
    m_rttHistogram.assign(size_t(m_settings.attemptTimeoutMs) + 1, 0);
    m_rttSamples = 0;
    m_timeoutMs = -1;
}

void ServerPoller::addRoundTrip(qint64 us)
{
    if (m_rttHistogram.empty())
        return;
    const qint64 ms = std::clamp<qint64>(us / 1000, 0, qint64(m_rttHistogram.size()) - 1);
    ++m_rttHistogram[size_t(ms)];
    ++m_rttSamples;
    const int before = attemptTimeoutMs();
    m_timeoutMs = -1;
    if (attemptTimeoutMs() != before)
        armDeadline(); // attempts out already now run out sooner
}

qint64 ServerPoller::dueNs(const Deadline& d, bool last) const
{
    // The last attempt waits twice as long: slow servers get the time, and no more datagrams.
    const int ms = std::min(m_settings.attemptTimeoutMs, attemptTimeoutMs() << int(last));
    return d.sentNs + qint64(ms) * 1000000;
}

int ServerPoller::attemptTimeoutMs() const
{
    if (m_timeoutMs >= 0)
        return m_timeoutMs;
    const int ceiling = m_settings.attemptTimeoutMs;
    if (m_rttSamples < kRttSamplesNeeded) {
        m_timeoutMs = ceiling;
        return m_timeoutMs;
    }
    // The 98th percentile, half as long again and a little more: a late answer to one
    // attempt still counts while the next runs, so a short wait costs a datagram, not a row.
    const int wanted = m_rttSamples - m_rttSamples / 50;
    int seen = 0;
    int high = 0;
    for (size_t ms = 0; ms < m_rttHistogram.size(); ++ms) {
        seen += m_rttHistogram[ms];
        if (seen >= wanted) {
            high = int(ms) + 1;
            break;
        }
    }
    m_timeoutMs = std::clamp(high * 3 / 2 + 20, m_settings.minAttemptTimeoutMs, ceiling);
    return m_timeoutMs;
}

int ServerPoller::addServers(const QList<ServerAddress>& servers)
{
    int added = 0;
    for (const ServerAddress& given : servers) {
        const ServerAddress a = given.normalised();
        if (a.isNull() || m_index.contains(a))
            continue;
        if (!queryable(addressScope(a.host))) {
            ++m_refused;
            continue;
        }
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
    if (!m_running)
        beginRun();
    m_allQueued = true;
    for (int row = 0; row < size(); ++row)
        if (!m_work[size_t(row)].active)
            queueRow(row, false);
    pump();
    checkFinished(); // an empty list is done at once
}

void ServerPoller::refresh(const ServerAddress& server)
{
    const ServerAddress a = server.normalised();
    if (a.isNull())
        return;
    int row = indexOf(a);
    if (row < 0) {
        const bool all = m_allQueued;
        m_allQueued = false; // added here, queued in front below
        addServers({a});
        m_allQueued = all;
        row = indexOf(a);
        if (row < 0)
            return; // an address that is never queried
    }
    Work& w = m_work[size_t(row)];
    if (!m_running)
        beginRun();
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

void ServerPoller::sendAttempt(int row)
{
    Work& w = m_work[size_t(row)];
    ServerResult& r = m_rows[size_t(row)];
    const int k = r.attempts;
    Attempt& a = w.attempts[k];
    a.nonce = m_random.generate64() & ((quint64(1) << (4 * kNonceDigits)) - 1);
    r.attempts = k + 1;
    ++m_sent;
    QUdpSocket* socket =
        m_sockets.forFamily(r.address.host.protocol() == QAbstractSocket::IPv6Protocol);
    a.sentNs = now();
    if (socket)
        socket->writeDatagram(statusRequest(nonceText(a.nonce)), r.address.host, r.address.port);
    // A send that failed (no route, no socket) runs out like a lost datagram.
    const bool last = k + 1 == m_settings.maxAttempts;
    (last ? m_lastDeadlines : m_deadlines).push_back({a.sentNs, row, w.generation, k});
    if (!m_deadlineTimer.isActive())
        armDeadline();
}

void ServerPoller::armDeadline()
{
    if (m_deadlines.empty() && m_lastDeadlines.empty())
        return;
    qint64 due = std::numeric_limits<qint64>::max();
    if (!m_deadlines.empty())
        due = dueNs(m_deadlines.front(), false);
    if (!m_lastDeadlines.empty())
        due = std::min(due, dueNs(m_lastDeadlines.front(), true));
    const qint64 left = due - now();
    m_deadlineTimer.start(std::max<qint64>(0, (left + 999999) / 1000000));
}

void ServerPoller::onDeadline()
{
    const qint64 t = now();
    for (;;) {
        const bool early = !m_deadlines.empty() && dueNs(m_deadlines.front(), false) <= t;
        const bool late =
            !early && !m_lastDeadlines.empty() && dueNs(m_lastDeadlines.front(), true) <= t;
        if (!early && !late)
            break;
        std::deque<Deadline>& queue = early ? m_deadlines : m_lastDeadlines;
        const Deadline d = queue.front();
        queue.pop_front();
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
        auto parsed = parseStatusResponse(QByteArrayView(m_buffer.data() + a.offset, a.length),
                                          m_settings.limits);
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
        addRoundTrip(r.pingUs);
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
    m_lastDeadlines.clear();
    m_paceTimer.stop();
    m_deadlineTimer.stop();
}

} // namespace fragdeck::servers
