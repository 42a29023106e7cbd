#include "SeatWait.h"

#include "core/Clock.h"
#include "servers/Watch.h"

namespace fragdeck::servers
{

SeatWait::SeatWait(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kSeatWaitIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SeatWait::checkNow);
}

SeatWait::~SeatWait() = default;

void SeatWait::start(const ServerAddress& server)
{
    cancel();
    m_server = server.normalised();
    m_waiting = true;
    m_checks = 0;
    m_sinceNs = Clock::now();
    m_timer.start();
    checkNow();
}

void SeatWait::cancel()
{
    m_waiting = false;
    m_timer.stop();
    // Perhaps from inside the poller's own signal: it goes once that has returned.
    if (m_poller)
        m_poller.release()->deleteLater();
}

void SeatWait::checkNow()
{
    if (!m_waiting || (m_poller && m_poller->isRunning()))
        return;
    if (Clock::now() - m_sinceNs >= qint64(kSeatWaitLimitMs) * 1000000) {
        cancel();
        Q_EMIT expired();
        return;
    }
    ++m_checks;
    if (m_poller)
        m_poller.release()->deleteLater();
    m_poller = std::make_unique<ServerPoller>();
    PollerSettings s;
    s.maxAttempts = 1; // the next check is the retry
    s.attemptTimeoutMs = kSeatWaitIntervalMs / 2;
    m_poller->setSettings(s);
    connect(m_poller.get(), &ServerPoller::finished, this, &SeatWait::onChecked);
    m_poller->refresh(m_server);
}

void SeatWait::onChecked()
{
    if (!m_waiting || !m_poller || m_poller->size() == 0)
        return;
    const ServerResult r = m_poller->at(0);
    if (r.status != ServerResult::Status::Ok)
        return;
    if (hasFreeSeat(r.info)) {
        cancel();
        Q_EMIT seatFree(r.info);
    } else {
        Q_EMIT answered(r.info);
    }
}

} // namespace fragdeck::servers
