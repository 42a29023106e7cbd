#include "ServerTable.h"

#include "game/GameText.h"

#include <QDateTime>
#include <algorithm>

namespace fragdeck::browser
{

namespace
{
// A tooltip of server text: rich text escaped, so a "<b>" in a map name stays as sent.
QString plainTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
} // namespace

void ServerRow::derive()
{
    name = withoutColourCodes(info.hostname);
    searchText = (name + u'\n' + info.mapname + u'\n' + key).toLower();
    playerNames.clear();
    playerNames.reserve(info.players.size());
    for (const servers::PlayerInfo& p : info.players)
        playerNames.append(withoutColourCodes(p.name).toLower());
    if (!answered) {
        humans = bots = 0;
        return;
    }
    bots = info.botCount();
    humans = std::max(0, info.playerCount() - bots);
}

QString gameTypeName(int gametype)
{
    // Quake III and Team Arena use 0-7; OpenArena goes on from there.
    static const char* const names[] = {
        "FFA",         "Tournament",   "Single Player",     "Team DM",
        "CTF",         "One Flag CTF", "Overload",          "Harvester",
        "Elimination", "CTF Elim.",    "Last Man Standing", "Double Domination",
        "Domination"};
    if (gametype >= 0 && gametype < int(std::size(names)))
        return QString::fromLatin1(names[gametype]);
    return gametype < 0 ? QString() : QString::number(gametype);
}

QString serverKey(const QString& typed, ServerAddress* address)
{
    const QString text = typed.trimmed();
    const ServerAddress a = ServerAddress::fromText(text, kDefaultGamePort);
    if (address)
        *address = a;
    return a.isNull() ? text : a.toString();
}

bool splitHostKey(const QString& key, QString* host, quint16* port)
{
    // A name's key is the name as typed; brackets only ever hold a numeric address.
    const HostPortText p = splitHostPort(key, PortColon::OnlyOne, Brackets::Plain);
    *host = p.host;
    *port = kDefaultGamePort;
    if (p.hasPort && !readPort(p.port, port))
        return false;
    return !host->isEmpty() && !host->contains(u':');
}

ServerTable::ServerTable(QObject* parent) : QAbstractTableModel(parent)
{
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &ServerTable::flush);
}

int ServerTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : size();
}

int ServerTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ServerTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    static const char* const titles[ColumnCount] = {
        "Server name", "Map", "Players",  "Bots",    "Max",    "Ping",   "Game type",
        "Mod",         "",    "Protocol", "Address", "Joined", "Country"};
    static const char* const tips[ColumnCount] = {"",
                                                  "",
                                                  "Human players",
                                                  "Players the server runs itself",
                                                  "Player slots",
                                                  "Round trip in milliseconds",
                                                  "",
                                                  "The game or mod the server runs",
                                                  "Needs a password",
                                                  "Network protocol: 68 Quake III, 71 OpenArena",
                                                  "",
                                                  "When you last joined",
                                                  "Where the server is"};
    if (section < 0 || section >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(titles[section]);
    if (role == Qt::ToolTipRole && section == Country && m_countries && !m_countries->isOpen())
        return m_countries->error();
    if (role == Qt::ToolTipRole && *tips[section])
        return QString::fromLatin1(tips[section]);
    return QVariant();
}

QVariant ServerTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return QVariant();
    const ServerRow& r = m_rows[size_t(index.row())];
    const int column = index.column();
    switch (role) {
    case RowRole:
        return index.row();
    case StateRole:
        return int(r.state);
    case OldRole:
        return r.old;
    case NeedPassRole:
        return r.answered && r.info.needPass;
    case MapNameRole:
        return r.info.mapname;
    case FriendsRole:
        return r.friends;
    case MapMissingRole:
        return mapMissing(r);
    case CountryRole:
        return r.country;

    case ColouredTextRole:
        return column == Name && r.answered ? r.info.hostname : QString();
    case Qt::ToolTipRole:
        if (column == Password && r.answered && r.info.needPass)
            return QStringLiteral("Needs a password");
        if (column == Country) {
            if (m_countries && !m_countries->isOpen())
                return m_countries->error();
            return r.country.isEmpty() ? QVariant() : QVariant(countryName(r));
        }
        if (column == Map && mapMissing(r))
            return plainTip(
                QStringLiteral("Map missing: %1 is not in your archives.").arg(r.info.mapname));
        if (column == Name && r.state == RowState::CannotResolve)
            return QStringLiteral("The host name cannot be resolved.");
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == Players || column == Bots || column == MaxClients || column == Ping ||
            column == Protocol)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    case Qt::DisplayRole:
        break;
    default:
        return QVariant();
    }
    const bool known = r.answered;
    switch (column) {
    case Name:
        return known && !r.name.isEmpty() ? r.name : r.key;
    case Map:
        return mapMissing(r) ? r.info.mapname + QStringLiteral(" (map missing)") : r.info.mapname;
    case Players:
        return known ? QVariant(r.humans) : QVariant();
    case Bots:
        return known ? QVariant(r.bots) : QVariant();
    case MaxClients:
        return known && r.info.maxClients > 0 ? QVariant(r.info.maxClients) : QVariant();
    case Ping:
        switch (r.state) {
        case RowState::Querying:
            return QStringLiteral("...");
        case RowState::NoReply:
            return QStringLiteral("no reply");
        case RowState::CannotResolve:
            return QStringLiteral("unknown host");
        default:
            return r.pingMs >= 0 ? QVariant(r.pingMs) : QVariant();
        }
    case GameType:
        return gameTypeName(r.info.gametype);
    case Mod:
        return r.info.gamename;
    case Password:
        return QVariant();
    case Protocol:
        return known && r.info.protocol > 0 ? QVariant(r.info.protocol) : QVariant();
    case Address:
        return r.key;
    case Joined:
        return r.joinedMs > 0 ? QDateTime::fromMSecsSinceEpoch(r.joinedMs)
                                    .toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                              : QString();
    case Country:
        return r.country;
    default:
        return QVariant();
    }
}

void ServerTable::setCountries(const CountryDatabase* countries)
{
    m_countries = countries;
    for (ServerRow& r : m_rows)
        locate(r);
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, Country), index(size() - 1, Country));
}

QString ServerTable::countryName(const ServerRow& r) const
{
    if (r.country.isEmpty() || !m_countries)
        return QString();
    return m_countries->countryName(r.country);
}

void ServerTable::locate(ServerRow& r) const
{
    r.country =
        m_countries && !r.address.isNull() ? m_countries->countryOf(r.address.host) : QString();
}

int ServerTable::ensureRow(const QString& key, const ServerAddress& address, quint8 source)
{
    int i = rowOf(key);
    if (i >= 0) {
        setSources(i, m_rows[size_t(i)].sources | source);
        return i;
    }
    i = size();
    beginInsertRows(QModelIndex(), i, i);
    ServerRow r;
    r.key = key;
    r.address = address;
    r.sources = source;
    r.derive();
    markFriends(r);
    locate(r);
    m_rows.push_back(std::move(r));
    m_byKey.insert(key, i);
    if (!address.isNull())
        m_byAddress[address].append(i);
    endInsertRows();
    return i;
}

void ServerTable::ensureRows(const QList<ServerAddress>& addresses, quint8 source)
{
    std::vector<ServerRow> added;
    QSet<QString> addedKeys;
    for (const ServerAddress& a : addresses) {
        const QString key = a.toString();
        const int i = rowOf(key);
        if (i >= 0) {
            setSources(i, m_rows[size_t(i)].sources | source);
            continue;
        }
        if (addedKeys.contains(key))
            continue;
        addedKeys.insert(key);
        ServerRow r;
        r.key = key;
        r.address = a;
        r.sources = source;
        r.state = RowState::Querying;
        r.derive();
        markFriends(r);
        locate(r);
        added.push_back(std::move(r));
    }
    if (added.empty())
        return;
    const int first = size();
    beginInsertRows(QModelIndex(), first, first + int(added.size()) - 1);
    for (ServerRow& r : added) {
        const int i = size();
        m_byKey.insert(r.key, i);
        m_byAddress[r.address].append(i);
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
}

void ServerTable::reset(std::vector<ServerRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_byKey.clear();
    m_byAddress.clear();
    m_dirty.clear();
    m_isDirty.assign(m_rows.size(), 0);
    for (int i = 0; i < size(); ++i) {
        ServerRow& r = m_rows[size_t(i)];
        r.derive();
        markFriends(r);
        locate(r);
        m_byKey.insert(r.key, i);
        if (!r.address.isNull())
            m_byAddress[r.address].append(i);
    }
    endResetModel();
}

void ServerTable::markFriends(ServerRow& r) const
{
    r.friends.clear();
    r.hidden = m_hidden.contains(r.key);
    if (!r.answered || m_friends.isEmpty())
        return;
    for (const servers::PlayerInfo& p : r.info.players)
        if (!m_friends.match(p.name).isEmpty() && !r.friends.contains(p.name))
            r.friends.append(p.name);
}

void ServerTable::setFriends(const servers::FriendList& friends)
{
    m_friends = friends;
    for (int i = 0; i < size(); ++i) {
        ServerRow& r = m_rows[size_t(i)];
        const QStringList before = r.friends;
        markFriends(r);
        if (r.friends != before)
            changed(i);
    }
    flush();
}

void ServerTable::setHidden(const QStringList& keys)
{
    m_hidden = QSet<QString>(keys.begin(), keys.end());
    for (int i = 0; i < size(); ++i) {
        ServerRow& r = m_rows[size_t(i)];
        const bool before = r.hidden;
        r.hidden = m_hidden.contains(r.key);
        if (r.hidden != before)
            changed(i);
    }
    flush();
}

void ServerTable::setSources(int i, quint8 sources)
{
    if (m_rows[size_t(i)].sources == sources)
        return;
    m_rows[size_t(i)].sources = sources;
    changed(i);
}

void ServerTable::setAddress(int i, const ServerAddress& address)
{
    ServerRow& r = m_rows[size_t(i)];
    if (r.address == address)
        return;
    if (!r.address.isNull())
        m_byAddress[r.address].removeAll(i);
    r.address = address;
    if (!address.isNull())
        m_byAddress[address].append(i);
    locate(r);
    changed(i);
}

void ServerTable::setState(int i, RowState state)
{
    if (m_rows[size_t(i)].state == state)
        return;
    m_rows[size_t(i)].state = state;
    changed(i);
}

void ServerTable::setJoined(int i, qint64 ms)
{
    m_rows[size_t(i)].joinedMs = ms;
    changed(i);
}

void ServerTable::setAnswer(int i, const servers::ServerInfo& info, int pingMs)
{
    ServerRow& r = m_rows[size_t(i)];
    r.info = info;
    r.answered = true;
    r.old = false;
    r.state = RowState::Ok;
    if (pingMs >= 0)
        r.pingMs = pingMs;
    r.derive();
    markFriends(r);
    changed(i);
}

void ServerTable::setPlayerMaps(const QSet<QString>& maps)
{
    m_playerMaps = maps;
    m_mapsKnown = true;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, Map), index(size() - 1, Map));
}

void ServerTable::changed(int i)
{
    if (m_isDirty.size() < m_rows.size())
        m_isDirty.resize(m_rows.size(), 0);
    if (!m_isDirty[size_t(i)]) {
        m_isDirty[size_t(i)] = 1;
        m_dirty.push_back(i);
    }
    if (!m_flushTimer.isActive())
        m_flushTimer.start(flushIntervalMs);
}

void ServerTable::flush()
{
    m_flushTimer.stop();
    if (m_dirty.empty())
        return;
    std::vector<int> rows;
    rows.swap(m_dirty);
    // One range for the batch: a view then repaints once, not once per reply.
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    const int first = *low;
    const int last = std::min(*high, size() - 1);
    for (int r : rows)
        m_isDirty[size_t(r)] = 0;
    if (first <= last)
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
    Q_EMIT rowsChanged(rows);
    Q_EMIT flushed();
}

} // namespace fragdeck::browser
