#pragma once
// Which servers the list shows and in what order: the source shown, the player's filters
// and a sort on any column. The filters and the sort order are kept in the settings store
// (application "Fragdeck", section "ServerBrowser").
#include "ServerTable.h"

#include <QAbstractProxyModel>
#include <vector>

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
    QStringList countries;    // ISO alpha-2 codes, upper case; empty: any

    // "de, FR us" as the codes it names (upper case, each once); words that are not two
    // letters are left out.
    static QStringList parseCountries(const QString& text);

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

// The rows of one source that pass the filter, in the order of the sort column. Kept up to
// date in steps: each batch of new or changed table rows is sorted on its own and merged
// into the rows shown, and told to views as at most one insertion, one reordering and one
// removal, so a list of tens of thousands of servers that fills in live never stalls the
// window.
class ServerFilterModel : public QAbstractProxyModel
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

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool accepts(int tableRow) const;
    bool lessThan(int a, int b) const;
    // Brings the rows of `changed` (table rows) into place.
    void update(std::vector<int> changed);
    void updateAll();

    ServerTable* m_table;
    Source m_source = Internet;
    ServerFilter m_filter;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<int> m_order;    // row of this model -> table row
    std::vector<int> m_position; // table row -> row of this model, -1 when not shown
};

} // namespace fragdeck::browser
