#include "ServerFilter.h"

#include "core/Settings.h"
#include "game/GameText.h"

#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <iterator>

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
    if (!countries.isEmpty() && !countries.contains(r.country))
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
    f.countries = parseCountries(text("Countries"));
    return f;
}

QStringList ServerFilter::parseCountries(const QString& text)
{
    QStringList codes;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts)) {
        const QString code = word.toUpper();
        if (code.size() == 2 && code[0] >= u'A' && code[0] <= u'Z' && code[1] >= u'A' &&
            code[1] <= u'Z' && !codes.contains(code))
            codes.append(code);
    }
    return codes;
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
    browser::save("Countries", countries.join(u' '));
}

ListView ListView::load()
{
    ListView v;
    static const Source sources[] = {Internet, Lan, Favourites, History, WithFriends};
    v.source = sources[number("Source", 0, 0, 4)];
    v.sortColumn = number("SortColumn", ServerTable::Ping, -1, ServerTable::ColumnCount - 1);
    v.sortOrder = number("SortOrder", 0, 0, 1) ? Qt::DescendingOrder : Qt::AscendingOrder;
    v.autoRefresh = flag("AutoRefresh");
    return v;
}

void ListView::save() const
{
    const int index = source == Lan           ? 1
                      : source == Favourites  ? 2
                      : source == History     ? 3
                      : source == WithFriends ? 4
                                              : 0;
    browser::save("Source", index);
    browser::save("SortColumn", sortColumn);
    browser::save("SortOrder", sortOrder == Qt::DescendingOrder ? 1 : 0);
    browser::save("AutoRefresh", autoRefresh);
}

ServerFilterModel::ServerFilterModel(ServerTable* table, QObject* parent)
    : QAbstractProxyModel(parent), m_table(table)
{
    QAbstractProxyModel::setSourceModel(table);
    connect(table, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                m_position.resize(size_t(m_table->size()), -1);
                std::vector<int> added;
                for (int i = first; i <= last; ++i)
                    added.push_back(i);
                update(std::move(added));
            });
    connect(table, &ServerTable::rowsChanged, this,
            [this](const std::vector<int>& rows) { update(rows); });
    connect(table, &QAbstractItemModel::modelReset, this, [this] {
        beginResetModel();
        m_order.clear();
        m_position.assign(size_t(m_table->size()), -1);
        endResetModel();
        updateAll();
    });
    m_position.assign(size_t(table->size()), -1);
    updateAll();
}

void ServerFilterModel::setSource(Source source)
{
    if (source == m_source)
        return;
    m_source = source;
    updateAll();
}

void ServerFilterModel::setFilter(const ServerFilter& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_filter.search = filter.search.trimmed();
    m_filter.player = withoutColourCodes(filter.player.trimmed());
    updateAll();
}

void ServerFilterModel::sort(int column, Qt::SortOrder order)
{
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    updateAll();
}

int ServerFilterModel::tableRow(const QModelIndex& index) const
{
    const QModelIndex s = mapToSource(index);
    return s.isValid() ? s.row() : -1;
}

QModelIndex ServerFilterModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex ServerFilterModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int ServerFilterModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int ServerFilterModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ServerTable::ColumnCount;
}

bool ServerFilterModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_order.empty();
}

QVariant ServerFilterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The columns are the table's own, shown or not.
    return m_table->headerData(section, orientation, role);
}

QModelIndex ServerFilterModel::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this || proxyIndex.row() >= rowCount())
        return QModelIndex();
    return m_table->index(m_order[size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex ServerFilterModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || size_t(sourceIndex.row()) >= m_position.size())
        return QModelIndex();
    const int row = m_position[size_t(sourceIndex.row())];
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}

bool ServerFilterModel::accepts(int tableRow) const
{
    const ServerRow& r = m_table->row(tableRow);
    const bool inTab = m_source == WithFriends ? !r.friends.isEmpty() : (r.sources & m_source);
    return inTab && !r.hidden && m_filter.matches(r);
}

void ServerFilterModel::updateAll()
{
    std::vector<int> all(size_t(m_table->size()));
    for (int i = 0; i < m_table->size(); ++i)
        all[size_t(i)] = i;
    update(std::move(all));
}

void ServerFilterModel::update(std::vector<int> changed)
{
    // Which of the changed rows stay, come or go.
    std::vector<char> isChanged(m_position.size(), 0);
    std::vector<int> shown;
    std::vector<int> added;
    std::vector<int> removed;
    for (int r : changed) {
        if (r < 0 || size_t(r) >= m_position.size() || isChanged[size_t(r)])
            continue;
        isChanged[size_t(r)] = 1;
        const bool was = m_position[size_t(r)] >= 0;
        const bool now = accepts(r);
        if (now)
            shown.push_back(r);
        if (now && !was)
            added.push_back(r);
        if (was && !now)
            removed.push_back(r);
    }
    const auto less = [this](int a, int b) { return lessThan(a, b); };
    std::sort(shown.begin(), shown.end(), less);
    // The rest keeps its order; the changed rows merge into it.
    std::vector<int> kept;
    kept.reserve(m_order.size());
    for (int r : m_order)
        if (!isChanged[size_t(r)])
            kept.push_back(r);
    std::vector<int> final;
    final.reserve(kept.size() + shown.size());
    std::merge(kept.begin(), kept.end(), shown.begin(), shown.end(), std::back_inserter(final),
               less);

    // 1. New rows at the end.
    if (!added.empty()) {
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + int(added.size()) - 1);
        for (int r : added) {
            m_position[size_t(r)] = int(m_order.size());
            m_order.push_back(r);
        }
        endInsertRows();
    }
    // 2. Everything into its place, the rows that go at the end.
    std::vector<int> target = final;
    target.insert(target.end(), removed.begin(), removed.end());
    if (target != m_order) {
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        QList<int> tableRows;
        tableRows.reserve(before.size());
        for (const QModelIndex& i : before)
            tableRows.append(m_order[size_t(i.row())]);
        m_order = std::move(target);
        for (size_t i = 0; i < m_order.size(); ++i)
            m_position[size_t(m_order[i])] = int(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.append(createIndex(m_position[size_t(tableRows[i])], before[i].column()));
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    } else if (!shown.empty()) {
        int low = rowCount(), high = -1;
        for (int r : shown) {
            low = std::min(low, m_position[size_t(r)]);
            high = std::max(high, m_position[size_t(r)]);
        }
        Q_EMIT dataChanged(index(low, 0), index(high, ServerTable::ColumnCount - 1));
    }
    // 3. The rows that go, from the end.
    if (!removed.empty()) {
        const int first = int(final.size());
        beginRemoveRows(QModelIndex(), first, rowCount() - 1);
        m_order.resize(final.size());
        for (int r : removed)
            m_position[size_t(r)] = -1;
        endRemoveRows();
    }
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

bool ServerFilterModel::lessThan(int left, int right) const
{
    if (m_sortOrder == Qt::DescendingOrder)
        std::swap(left, right);
    if (m_sortColumn < 0)
        return left < right;
    const ServerRow& a = m_table->row(left);
    const ServerRow& b = m_table->row(right);
    auto known = [](const ServerRow& r, qint64 v) { return r.answered ? v : qint64(INT_MIN); };
    int c = 0;
    switch (m_sortColumn) {
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
    case ServerTable::Country:
        c = compareText(m_table->countryName(a), m_table->countryName(b));
        break;
    default:
        break;
    }
    if (c != 0)
        return c < 0;
    // A stable order for equal values, so rows do not jump about while replies come in.
    return left < right;
}

} // namespace fragdeck::browser
