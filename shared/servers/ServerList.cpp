#include "ServerList.h"

#include "servers/ServerListSettings.h"

namespace fragdeck::servers
{

ServerList::ServerList(QObject* parent) : QObject(parent)
{
    connect(&m_masterClient, &MasterClient::serversFound, &m_poller, &ServerPoller::addServers);
    connect(&m_masterClient, &MasterClient::finished, this,
            [this] { m_poller.setListOpen(false); });
    connect(&m_poller, &ServerPoller::finished, this, [this] {
        if (!m_running)
            return;
        m_running = false;
        Q_EMIT finished();
    });
}

void ServerList::loadSettings()
{
    m_masters = loadMasters();
    m_protocol = loadProtocol();
    m_poller.setSettings(loadPollerSettings());
    m_masterClient.setLimits(loadMasterLimits());
}

void ServerList::refresh()
{
    stop();
    m_running = true;
    m_poller.setListOpen(true);
    m_poller.refreshAll();
    m_masterClient.query(m_masters, m_protocol);
}

void ServerList::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_masterClient.stop();
    m_poller.setListOpen(false);
    m_poller.stop();
    Q_EMIT finished();
}

} // namespace fragdeck::servers
