#include "Watcher.h"

#include <algorithm>

namespace fragdeck::servers
{

Watcher::Watcher(QObject* parent) : QObject(parent)
{
    m_settings.maxAttempts = 2; // one datagram, one retry
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Watcher::lookNow);
    connect(&m_masters, &MasterClient::finished, this, [this] {
        if (!m_looking)
            return;
        m_listed = m_masters.servers();
        for (const MasterOutcome& o : m_masters.outcomes())
            if (o.state != MasterOutcome::State::Complete)
                Q_EMIT problem(
                    QStringLiteral("master %1: %2").arg(o.master.toString(), describe(o.state)));
        pollWatched();
    });
}

Watcher::~Watcher() = default;

void Watcher::setMasters(const QList<MasterServer>& masters, int protocol)
{
    m_masterList = masters;
    m_protocol = protocol;
}

void Watcher::setIntervalSeconds(int seconds)
{
    m_intervalS = std::max(kMinWatchIntervalS, seconds);
    if (m_timer.isActive())
        m_timer.start(m_intervalS * 1000);
}

void Watcher::setPollerSettings(const PollerSettings& settings)
{
    m_settings = settings;
    m_settings.maxAttempts = std::min(2, std::max(1, settings.maxAttempts));
}

void Watcher::start()
{
    m_timer.start(m_intervalS * 1000);
    lookNow();
}

void Watcher::stop()
{
    m_timer.stop();
    m_masters.stop();
    if (m_poller)
        m_poller->stop();
    m_looking = false;
}

QList<ServerAddress> Watcher::watched() const
{
    QList<ServerAddress> all = m_given;
    for (const QList<ServerAddress>& more : {m_listed, m_state.serversWithFriends()})
        for (const ServerAddress& a : more)
            if (!all.contains(a))
                all.append(a);
    return all;
}

void Watcher::lookNow()
{
    if (m_looking)
        return; // a slow look is not doubled; the next interval looks again
    m_looking = true;
    const bool mastersDue = !m_masterList.isEmpty() && m_looks % kMasterEveryLooks == 0;
    ++m_looks;
    if (mastersDue)
        m_masters.query(m_masterList, m_protocol); // then pollWatched()
    else
        pollWatched();
}

void Watcher::pollWatched()
{
    // A poller for each look: rows of servers no longer watched do not pile up.
    m_poller = std::make_unique<ServerPoller>();
    m_poller->setSettings(m_settings);
    connect(m_poller.get(), &ServerPoller::finished, this, &Watcher::onPolled);
    m_poller->addServers(watched());
    m_poller->refreshAll();
}

void Watcher::onPolled()
{
    if (!m_looking || !m_poller)
        return;
    m_looking = false;
    m_sent += m_poller->datagramsSent();
    for (const ServerResult& r : m_poller->results())
        if (r.status == ServerResult::Status::Ok)
            for (const WatchEvent& e : m_state.update(r.address, r.info, m_friends))
                Q_EMIT event(e);
    Q_EMIT lookFinished();
}

} // namespace fragdeck::servers
