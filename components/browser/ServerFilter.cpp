#include "ServerFilter.h"

#include "GameText.h"
#include "Settings.h"

#include <climits>

namespace fragdeck::browser
{
namespace
{

const QString kApp = QStringLiteral("Fragdeck");
const QString kSection = QStringLiteral("ServerBrowser");

QString text(const char* key)
{
    return GetSetting(kApp, kSection, QLatin1String(key));
}

bool flag(const char* key)
{
    return text(key).trimmed() == QLatin1String("1");
}

int number(const char* key, int fallback, int low, int high)
{
    bool ok = false;
    const int v = text(key).trimmed().toInt(&ok);
    return ok && v >= low && v <= high ? v : fallback;
}

void save(const char* key, const QString& value)
{
    SaveSetting(kApp, kSection, QLatin1String(key), value);
}

void save(const char* key, bool value)
{
    save(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void save(const char* key, int value)
{
    save(key, QString::number(value));
}

bool noAnswer(const ServerRow& r)
{
    return r.state == RowState::NoReply || r.state == RowState::CannotResolve;
}

} // namespace

bool ServerFilter::matches(const ServerRow& r) const
{
    if (hideNoReply && noAnswer(r))
        return false;
    if ((hideEmpty || hideFull || gameType >= 0 || !mod.isEmpty() || maxPing > 0 || noPassword ||
         !player.isEmpty()) &&
        !r.answered)
        return false;
    if (hideEmpty && r.humans == 0)
        return false;
    if (hideFull && r.info.maxClients > 0 && r.playerCount() >= r.info.maxClients)
        return false;
    if (gameType >= 0 && r.info.gametype != gameType)
        return false;
    if (!mod.isEmpty() && r.info.gamename.compare(mod, Qt::CaseInsensitive) != 0)
        return false;
    if (maxPing > 0 && (r.pingMs < 0 || r.pingMs > maxPing || noAnswer(r)))
        return false;
    if (noPassword && r.info.needPass)
        return false;
    if (!search.isEmpty() && !r.searchText.contains(search, Qt::CaseInsensitive))
        return false;
    if (!player.isEmpty()) {
        const QString wanted = withoutColourCodes(player);
        bool found = false;
        for (const QString& name : r.playerNames)
            found = found || name.contains(wanted, Qt::CaseInsensitive);
        if (!found)
            return false;
    }
    return true;
}

ServerFilter ServerFilter::load()
{
    ServerFilter f;
    f.search = text("Search");
    f.hideEmpty = flag("HideEmpty");
    f.hideFull = flag("HideFull");
    f.hideNoReply = flag("HideNoReply");
    f.gameType = number("GameType", -1, -1, 255);
    f.mod = text("Mod").trimmed();
    f.maxPing = number("MaxPing", 0, 0, 9999);
    f.noPassword = flag("NoPassword");
    f.player = text("Player");
    return f;
}

void ServerFilter::save() const
{
    browser::save("Search", search);
    browser::save("HideEmpty", hideEmpty);
    browser::save("HideFull", hideFull);
    browser::save("HideNoReply", hideNoReply);
    browser::save("GameType", gameType);
    browser::save("Mod", mod);
    browser::save("MaxPing", maxPing);
    browser::save("NoPassword", noPassword);
    browser::save("Player", player);
}

ListView ListView::load()
{
    ListView v;
    static const Source sources[] = {Internet, Lan, Favourites, History};
    v.source = sources[number("Source", 0, 0, 3)];
    v.sortColumn = number("SortColumn", ServerTable::Ping, -1, ServerTable::ColumnCount - 1);
    v.sortOrder = number("SortOrder", 0, 0, 1) ? Qt::DescendingOrder : Qt::AscendingOrder;
    v.autoRefresh = flag("AutoRefresh");
    return v;
}

void ListView::save() const
{
    const int index = source == Lan ? 1 : source == Favourites ? 2 : source == History ? 3 : 0;
    browser::save("Source", index);
    browser::save("SortColumn", sortColumn);
    browser::save("SortOrder", sortOrder == Qt::DescendingOrder ? 1 : 0);
    browser::save("AutoRefresh", autoRefresh);
}

ServerFilterModel::ServerFilterModel(ServerTable* table, QObject* parent)
    : QSortFilterProxyModel(parent), m_table(table)
{
    setSourceModel(table);
    setDynamicSortFilter(true);
}

void ServerFilterModel::setSource(Source source)
{
    if (source == m_source)
        return;
    m_source = source;
    invalidateFilter();
}

void ServerFilterModel::setFilter(const ServerFilter& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_filter.search = filter.search.trimmed();
    m_filter.player = withoutColourCodes(filter.player.trimmed());
    invalidateFilter();
}

int ServerFilterModel::tableRow(const QModelIndex& index) const
{
    const QModelIndex s = mapToSource(index);
    return s.isValid() ? s.row() : -1;
}

bool ServerFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const ServerRow& r = m_table->row(sourceRow);
    return (r.sources & m_source) && m_filter.matches(r);
}

namespace
{

// Rows without the value sort after those with it, whichever the direction.
int compareNumbers(qint64 a, qint64 b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

int compareText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

} // namespace

bool ServerFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const ServerRow& a = m_table->row(left.row());
    const ServerRow& b = m_table->row(right.row());
    auto known = [](const ServerRow& r, qint64 v) { return r.answered ? v : qint64(INT_MIN); };
    int c = 0;
    switch (left.column()) {
    case ServerTable::Name:
        c = compareText(a.answered && !a.name.isEmpty() ? a.name : a.key,
                        b.answered && !b.name.isEmpty() ? b.name : b.key);
        break;
    case ServerTable::Map:
        c = compareText(a.info.mapname, b.info.mapname);
        break;
    case ServerTable::Players:
        c = compareNumbers(known(a, a.humans), known(b, b.humans));
        break;
    case ServerTable::Bots:
        c = compareNumbers(known(a, a.bots), known(b, b.bots));
        break;
    case ServerTable::MaxClients:
        c = compareNumbers(known(a, a.info.maxClients), known(b, b.info.maxClients));
        break;
    case ServerTable::Ping: {
        // Servers that did not answer go last when sorting from the nearest.
        auto ping = [](const ServerRow& r) {
            return r.pingMs < 0 || noAnswer(r) ? qint64(INT_MAX) : qint64(r.pingMs);
        };
        c = compareNumbers(ping(a), ping(b));
        break;
    }
    case ServerTable::GameType:
        c = compareText(gameTypeName(a.info.gametype), gameTypeName(b.info.gametype));
        break;
    case ServerTable::Mod:
        c = compareText(a.info.gamename, b.info.gamename);
        break;
    case ServerTable::Password:
        c = compareNumbers(a.answered && a.info.needPass, b.answered && b.info.needPass);
        break;
    case ServerTable::Protocol:
        c = compareNumbers(known(a, a.info.protocol), known(b, b.info.protocol));
        break;
    case ServerTable::Address:
        c = compareText(a.key, b.key);
        break;
    case ServerTable::Joined:
        c = compareNumbers(a.joinedMs, b.joinedMs);
        break;
    default:
        break;
    }
    if (c != 0)
        return c < 0;
    // A stable order for equal values, so rows do not jump about while replies come in.
    return left.row() < right.row();
}

} // namespace fragdeck::browser
