#include "ServerBrowser.h"

#include "servers/ServerListSettings.h"

namespace fragdeck::browser
{

using servers::ServerResult;

ServerBrowser::ServerBrowser(QObject* parent)
    : QObject(parent), m_poller(&m_list.poller()), m_resolver(servers::systemResolver()),
      m_resolveContext(std::make_unique<QObject>())
{
    m_list.loadSettings();
    m_list.setResolver(m_resolver);
    m_table.setCountries(&CountryDatabase::shared());
    // After the list's own connection, so the poller has the rows when the table asks.
    connect(&m_list.masterClient(), &servers::MasterClient::serversFound, this,
            &ServerBrowser::onServersFound);
    connect(&m_list, &servers::ServerList::finished, this, &ServerBrowser::onListFinished);
    servers::ServerPoller& poller = m_list.poller();
    connect(&poller, &servers::ServerPoller::serverUpdated, this, &ServerBrowser::onServerUpdated);
    connect(&poller, &servers::ServerPoller::finished, this, &ServerBrowser::checkIdle);
    connect(&m_lan, &servers::LanSource::serverFound, this, &ServerBrowser::onLanServer);
    connect(&m_lan, &servers::LanSource::finished, this, &ServerBrowser::checkIdle);
}

ServerBrowser::~ServerBrowser() = default;

void ServerBrowser::setResolver(servers::Resolver resolver)
{
    m_resolver = resolver;
    m_list.setResolver(std::move(resolver));
}

void ServerBrowser::loadCache(const QString& path)
{
    m_cacheError.clear();
    SavedList saved = loadServerCache(path, servers::loadPollerSettings().limits, &m_cacheError);
    m_cacheTime = saved.savedAt;
    // Rows the book and the history named before the list came stay, with the saved answers.
    std::vector<ServerRow> rows = std::move(saved.rows);
    QHash<QString, int> index;
    for (int i = 0; i < int(rows.size()); ++i)
        index.insert(rows[size_t(i)].key, i);
    for (int i = 0; i < m_table.size(); ++i) {
        const ServerRow& r = m_table.row(i);
        const auto it = index.constFind(r.key);
        if (it == index.constEnd()) {
            rows.push_back(r);
            continue;
        }
        ServerRow& s = rows[size_t(*it)];
        s.sources |= r.sources;
        s.joinedMs = r.joinedMs;
    }
    m_old = rows.empty() ? 0 : quint8(Internet | Lan | Favourites | History);
    m_table.reset(std::move(rows));
}

bool ServerBrowser::saveCache(const QString& path, QString* error)
{
    m_table.flush();
    return saveServerCache(path, m_table, QDateTime::currentDateTimeUtc(), error);
}

void ServerBrowser::syncSource(Source source, const QSet<QString>& keys)
{
    for (int i = 0; i < m_table.size(); ++i) {
        const ServerRow& r = m_table.row(i);
        if ((r.sources & source) && !keys.contains(r.key))
            m_table.setSources(i, r.sources & ~source);
    }
}

void ServerBrowser::setFavourites(const QStringList& entries)
{
    QSet<QString> keys;
    m_bookText.clear();
    for (const QString& e : entries) {
        ServerAddress a;
        const QString key = serverKey(e, &a);
        if (key.isEmpty() || keys.contains(key))
            continue;
        keys.insert(key);
        m_bookText.insert(key, e.trimmed());
        m_table.ensureRow(key, a, Favourites);
    }
    syncSource(Favourites, keys);
    m_table.flush(); // the player's own change shows at once
}

void ServerBrowser::setHistory(const QList<JoinedServer>& joined)
{
    QSet<QString> keys;
    for (const JoinedServer& j : joined) {
        ServerAddress a;
        const QString key = serverKey(j.address, &a);
        if (key.isEmpty() || keys.contains(key))
            continue;
        keys.insert(key);
        m_table.setJoined(m_table.ensureRow(key, a, History), j.joinedMs);
    }
    syncSource(History, keys);
    m_table.flush();
}

QString ServerBrowser::addressText(int row, Source shown) const
{
    const ServerRow& r = m_table.row(row);
    if (shown == Favourites)
        return m_bookText.value(r.key, r.key);
    return r.key;
}

bool ServerBrowser::recordJoin(const QString& path, const QString& address, qint64 joinedMs,
                               QString* error)
{
    ServerAddress a;
    const QString key = serverKey(address, &a);
    if (key.isEmpty())
        return false;
    m_table.setJoined(m_table.ensureRow(key, a, History), joinedMs);
    m_table.flush();
    return browser::recordJoin(path, address.trimmed(), joinedMs, error);
}

bool ServerBrowser::isRunning() const
{
    return m_list.isRunning() || m_poller->isRunning() || m_lan.isRunning() || m_resolving > 0;
}

ServerBrowser::Progress ServerBrowser::progress() const
{
    Progress p;
    p.answered = m_answered;
    p.noReply = m_noReply;
    const servers::ServerPoller& poller = *m_poller;
    if (poller.isRunning())
        p.pending = std::max(0, poller.totalCount() - poller.doneCount());
    p.pending += m_resolving;
    return p;
}

QString ServerBrowser::report(Source source) const
{
    if (isRunning() || !(m_reported & source))
        return QString();
    QStringList lines;
    if (source == Internet) {
        const servers::MasterClient& masters = m_list.masterClient();
        for (const servers::MasterOutcome& m : masters.outcomes()) {
            const QString notes = m.notes(masters.limits());
            if (m.state != servers::MasterOutcome::State::Complete || !notes.isEmpty())
                lines.append(QStringLiteral("Master %1: %2%3")
                                 .arg(m.master.toString(), servers::describe(m.state),
                                      notes.isEmpty() ? QString() : QStringLiteral("; ") + notes));
        }
    }
    if (source == Lan && m_lan.servers().isEmpty())
        lines.append(QStringLiteral("No server found on the local network."));
    int cut = 0;
    for (int i = 0; i < m_table.size(); ++i) {
        const ServerRow& r = m_table.row(i);
        cut += (r.sources & source) && r.answered && !r.old && r.info.cut ? 1 : 0;
    }
    if (cut)
        lines.append(
            QStringLiteral("%1 %2 cut to the size a reply may have.")
                .arg(cut)
                .arg(cut == 1 ? QStringLiteral("reply was") : QStringLiteral("replies were")));
    return lines.join(u'\n');
}

void ServerBrowser::beginRefresh()
{
    if (!m_running) {
        m_answered = 0;
        m_noReply = 0;
        m_refreshing = 0;
    }
    m_running = true;
}

void ServerBrowser::refresh(Source source)
{
    if (source == Internet && m_list.isRunning())
        return;
    beginRefresh();
    m_refreshing |= source;
    if (source == Internet) {
        // Servers of the last list are asked too: one that answers stays even when no
        // master lists it this time.
        QList<ServerAddress> known;
        for (int i = 0; i < m_table.size(); ++i) {
            const ServerRow& r = m_table.row(i);
            if (!(r.sources & Internet))
                continue;
            m_table.setListed(i, false);
            if (!r.address.isNull()) {
                known.append(r.address);
                m_table.setState(i, RowState::Querying);
            }
        }
        m_list.poller().addServers(known);
        m_list.refresh();
    } else {
        if (source == Lan)
            m_lan.start();
        for (int i = 0; i < m_table.size(); ++i) {
            const ServerRow& r = m_table.row(i);
            if ((r.sources & source) || (source == WithFriends && !r.friends.isEmpty()))
                queryRow(i);
        }
    }
    Q_EMIT progressChanged();
    checkIdle();
}

void ServerBrowser::refreshRow(int row)
{
    if (row < 0 || row >= m_table.size())
        return;
    beginRefresh();
    queryRow(row);
    Q_EMIT progressChanged();
    checkIdle();
}

void ServerBrowser::queryRow(int row)
{
    const ServerRow& r = m_table.row(row);
    if (r.address.isNull()) {
        resolveRow(row);
        return;
    }
    if (!servers::queryable(servers::addressScope(r.address.host))) {
        // A multicast or broadcast address typed into the book is never asked.
        m_table.setState(row, RowState::NoReply);
        return;
    }
    m_table.setState(row, RowState::Querying);
    m_list.poller().refresh(r.address);
}

void ServerBrowser::resolveRow(int row)
{
    QString host;
    quint16 port = 0;
    if (!splitHostKey(m_table.row(row).key, &host, &port)) {
        m_table.setState(row, RowState::CannotResolve);
        return;
    }
    m_table.setState(row, RowState::Querying);
    ++m_resolving;
    m_resolver(host, m_resolveContext.get(), [this, row, port](const QList<QHostAddress>& found) {
        --m_resolving;
        if (found.isEmpty()) {
            m_table.setState(row, RowState::CannotResolve);
            ++m_noReply;
        } else {
            m_table.setAddress(row,
                               ServerAddress{servers::preferredAddress(found), port}.normalised());
            queryRow(row);
        }
        Q_EMIT progressChanged();
        checkIdle();
    });
}

void ServerBrowser::stop()
{
    if (!isRunning() && !m_running)
        return;
    m_stopping = true;
    m_refreshing = 0; // a list stopped half-way is still the old one
    m_list.stop();
    m_list.poller().stop();
    m_lan.stop();
    m_resolveContext = std::make_unique<QObject>(); // its answers are no longer wanted
    m_resolving = 0;
    for (int i = 0; i < m_table.size(); ++i)
        if (m_table.row(i).state == RowState::Querying)
            m_table.setState(i, RowState::Unknown);
    m_stopping = false;
    checkIdle();
}

void ServerBrowser::onServersFound(const QList<ServerAddress>& servers)
{
    m_table.ensureRows(servers, Internet);
    for (const ServerAddress& a : servers) {
        const int row = m_table.rowOf(a.toString());
        if (row < 0)
            continue;
        m_table.setListed(row, true);
        if (m_table.row(row).state != RowState::Ok)
            m_table.setState(row, RowState::Querying);
    }
    Q_EMIT progressChanged();
}

void ServerBrowser::onServerUpdated(int pollerRow)
{
    const servers::ServerPoller& poller = m_list.poller();
    const ServerResult& r = poller.at(pollerRow);
    const bool counted = poller.isRunning(); // a stop reverts rows; those are no news
    for (int row : m_table.rowsAt(r.address)) {
        switch (r.status) {
        case ServerResult::Status::Ok:
            if (counted)
                m_table.setAnswer(row, r.info, r.pingMs());
            else
                m_table.setState(row, m_table.row(row).answered && !m_table.row(row).old
                                          ? RowState::Ok
                                          : RowState::Unknown);
            break;
        case ServerResult::Status::NoReply:
            m_table.setState(row, RowState::NoReply);
            break;
        case ServerResult::Status::Pending:
            m_table.setState(row, RowState::Unknown);
            break;
        case ServerResult::Status::Querying:
            m_table.setState(row, RowState::Querying);
            break;
        }
    }
    if (counted) {
        if (r.status == ServerResult::Status::Ok)
            ++m_answered;
        else if (r.status == ServerResult::Status::NoReply)
            ++m_noReply;
        Q_EMIT progressChanged();
    }
}

void ServerBrowser::onLanServer(const ServerAddress& server, const servers::ServerInfo& info)
{
    const int row = m_table.ensureRow(server.toString(), server, Lan);
    const ServerRow& r = m_table.row(row);
    // Discovery brings the info without players; the status query below brings them.
    if (!r.answered || r.old)
        m_table.setAnswer(row, info, -1);
    m_table.setState(row, RowState::Querying);
    m_list.poller().refresh(server);
    Q_EMIT progressChanged();
}

void ServerBrowser::onListFinished()
{
    if (m_stopping)
        return;
    // Gone from every master and silent: no longer on the internet.
    for (int i = 0; i < m_table.size(); ++i) {
        const ServerRow& r = m_table.row(i);
        if ((r.sources & Internet) && !r.listed && r.state == RowState::NoReply)
            m_table.setSources(i, r.sources & ~Internet);
    }
    checkIdle();
}

void ServerBrowser::checkIdle()
{
    if (!m_running || isRunning())
        return;
    m_running = false;
    m_old &= ~m_refreshing;
    m_reported |= m_refreshing;
    m_refreshing = 0;
    m_table.flush();
    Q_EMIT progressChanged();
    Q_EMIT finished();
}

} // namespace fragdeck::browser
