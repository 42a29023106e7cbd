#pragma once
// Which servers the list shows and in what order: the source shown, the player's filters
// and a sort on any column. The filters and the sort order are kept in the settings store
// (application "Fragdeck", section "ServerBrowser").
#include "ServerTable.h"

#include <QSortFilterProxyModel>

namespace fragdeck::browser
{

struct ServerFilter {
    QString search;           // name, map or address holds it (any case)
    bool hideEmpty = false;   // no human players (bots do not count)
    bool hideFull = false;    // every slot taken
    bool hideNoReply = false; // no answer to the last query, or a host that does not resolve
    int gameType = -1;        // g_gametype; -1: any
    QString mod;              // game or mod name, any case; empty: any
    int maxPing = 0;          // ms; 0: any
    bool noPassword = false;  // hide servers that need one
    QString player;           // a player's name holds it; colour codes and case ignored

    // Filters that look at an answer hide the rows that have none.
    bool matches(const ServerRow& row) const;
    bool operator==(const ServerFilter&) const = default;

    static ServerFilter load();
    void save() const;
};

// The sort order and the source shown, as kept in the store.
struct ListView {
    Source source = Internet;
    int sortColumn = ServerTable::Ping;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    bool autoRefresh = false;
    static ListView load();
    void save() const;
};

class ServerFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ServerFilterModel(ServerTable* table, QObject* parent = nullptr);

    void setSource(Source source);
    Source source() const { return m_source; }
    void setFilter(const ServerFilter& filter);
    const ServerFilter& filter() const { return m_filter; }
    // The table row behind a row of this model (-1 for an invalid index).
    int tableRow(const QModelIndex& index) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ServerTable* m_table;
    Source m_source = Internet;
    ServerFilter m_filter;
    QString m_search; // lower case
    QString m_player; // lower case, without colour codes
};

} // namespace fragdeck::browser
