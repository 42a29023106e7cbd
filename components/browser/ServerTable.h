#pragma once
// The browser's server list as a table: one row per server of any source (the masters'
// internet list, the LAN, the address book, the servers joined) with what it last
// answered. Widget-free; the window's views draw it.
//
// Replies arrive by the hundred a second during a refresh, so changed rows are told to
// views in batches (every flushIntervalMs) rather than one signal per reply.
#include "core/Countries.h"
#include "game/ServerAddress.h"
#include "servers/StatusReply.h"
#include "servers/Watch.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace fragdeck::browser
{

// Where a row comes from; a row may be in several.
enum Source : quint8 {
    Internet = 1,
    Lan = 2,
    Favourites = 4,
    History = 8,
    // Not a source of rows: the tab of the servers where a friend is now.
    WithFriends = 16,
};

enum class RowState : quint8 {
    Unknown,       // not asked in this session
    Querying,      // asked, no answer yet
    Ok,            // answered in this session
    NoReply,       // out of attempts
    CannotResolve, // a host name that gave no address
};

struct ServerRow {
    // What the game connects to: "1.2.3.4:27960", "[2001:db8::1]:27960", or a host name
    // (with its port when one was given) as the player typed it.
    QString key;
    ServerAddress address; // null until a host name is resolved
    quint8 sources = 0;
    RowState state = RowState::Unknown;
    bool answered = false; // info holds an answer, maybe an old one
    bool old = false;      // that answer is from the saved list
    bool listed = false;   // named by a master in the current internet refresh
    int pingMs = -1;
    qint64 joinedMs = 0; // last joined, ms since the epoch; 0: never
    QStringList friends; // players of the answer that are friends, names as reported
    bool hidden = false; // the player hid it: in no tab
    QString country;     // ISO 3166 alpha-2 of the address; empty when none is known
    servers::ServerInfo info;

    // Cut once per answer, for filters and sorting.
    QString name;            // hostname without colour codes
    QString searchText;      // name, map and key, lower case
    QStringList playerNames; // without colour codes, lower case
    int humans = 0;
    int bots = 0;
    void derive();
    int playerCount() const { return humans + bots; }
};

// "FFA", "Tournament", ... for g_gametype; the number itself for one the games do not use.
QString gameTypeName(int gametype);

// A typed server address as a row key. Numeric IPv4 and IPv6 addresses (with or without
// a port, IPv6 in brackets when it has one) give their canonical "addr:port" /
// "[addr]:port" and *address; anything else is a host name, kept as typed (trimmed), and
// *address stays null. The port is 27960 when none is given.
QString serverKey(const QString& typed, ServerAddress* address = nullptr);
// The host and port of a key that names a host ("host" or "host:port").
bool splitHostKey(const QString& key, QString* host, quint16* port);

class ServerTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Name,
        Map,
        Players,
        Bots,
        MaxClients,
        Ping,
        GameType,
        Mod,
        Password,
        Protocol,
        Address,
        Joined,
        Country,
        ColumnCount
    };
    enum Role {
        ColouredTextRole = Qt::UserRole + 77, // as the coloured-text delegate reads it
        RowRole = Qt::UserRole + 1,           // the row number in this table
        StateRole,                            // RowState as int
        OldRole,                              // bool
        NeedPassRole,                         // bool
        MapNameRole,                          // the map, as the server sent it
        FriendsRole,                          // QStringList: the friends on it
        MapMissingRole,                       // bool: the player's archives lack the map
        CountryRole,                          // the country code, for the flag
    };

    explicit ServerTable(QObject* parent = nullptr);

    // Where the rows' addresses are looked up, once per address (none: no countries).
    void setCountries(const CountryDatabase* countries);
    const CountryDatabase* countries() const { return m_countries; }
    // The country's name, for the tooltip and the sort; empty for no country.
    QString countryName(const ServerRow& r) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int size() const { return int(m_rows.size()); }
    const ServerRow& row(int i) const { return m_rows[size_t(i)]; }
    int rowOf(const QString& key) const { return m_byKey.value(key, -1); }
    // Rows of one server address (a numeric key and host names resolved to it).
    QList<int> rowsAt(const ServerAddress& address) const { return m_byAddress.value(address); }

    // The row of `key`, added (in `source`) when there is none; the source is added to an
    // existing row.
    int ensureRow(const QString& key, const ServerAddress& address, quint8 source);
    // Many rows at once (a master's datagram): one insertion for views.
    void ensureRows(const QList<ServerAddress>& addresses, quint8 source);
    // Rows as read from the saved list, replacing everything.
    void reset(std::vector<ServerRow> rows);

    // Changes; each is told to views at the next flush.
    void setSources(int i, quint8 sources);
    void setAddress(int i, const ServerAddress& address);
    void setState(int i, RowState state);
    void setListed(int i, bool listed) { m_rows[size_t(i)].listed = listed; }
    void setJoined(int i, qint64 ms);
    // A fresh answer (ping in ms; -1 when not measured, as for a LAN discovery reply).
    void setAnswer(int i, const servers::ServerInfo& info, int pingMs);
    // Who counts as a friend, and which servers (keys) are hidden; every row is marked again.
    void setFriends(const servers::FriendList& friends);
    const servers::FriendList& friends() const { return m_friends; }
    void setHidden(const QStringList& keys);

    // The maps the player has (lower case, as archive::MapArchives holds them): rows
    // whose map is not among them are marked "map missing". Until set nothing is marked.
    void setPlayerMaps(const QSet<QString>& maps);
    bool mapMissing(const ServerRow& r) const
    {
        return m_mapsKnown && !r.info.mapname.isEmpty() &&
               !m_playerMaps.contains(r.info.mapname.toLower());
    }

    // Tells views about every change made since the last flush.
    void flush();
    int flushIntervalMs = 100;

Q_SIGNALS:
    // Every row changed since the last flush, each once, then flushed().
    void rowsChanged(const std::vector<int>& rows);
    void flushed();

private:
    void changed(int i);
    void markFriends(ServerRow& r) const;
    void locate(ServerRow& r) const;

    std::vector<ServerRow> m_rows;
    QHash<QString, int> m_byKey;
    servers::FriendList m_friends;
    QSet<QString> m_hidden;
    QHash<ServerAddress, QList<int>> m_byAddress;
    std::vector<int> m_dirty;
    std::vector<char> m_isDirty; // per row
    QTimer m_flushTimer;
    const CountryDatabase* m_countries = nullptr;
    QSet<QString> m_playerMaps;
    bool m_mapsKnown = false;
};

} // namespace fragdeck::browser
