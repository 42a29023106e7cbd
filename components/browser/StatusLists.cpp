#include "StatusLists.h"

#include "Twips.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace fragdeck
{
namespace
{

struct Column {
    const char* title;
    int twips;
};

QTreeWidget* reportList(QWidget* parent, const char* name, std::initializer_list<Column> columns)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->setStretchLastSection(false);
    QStringList titles;
    for (const Column& c : columns)
        titles.append(QLatin1String(c.title));
    list->setHeaderLabels(titles);
    int i = 0;
    for (const Column& c : columns)
        list->setColumnWidth(i++, twipsToPixelsX(c.twips));
    return list;
}

} // namespace

StatusLists StatusLists::create(QWidget* parent)
{
    StatusLists l;
    l.server =
        reportList(parent, "info_server", {{"Server name", 2100}, {"Map", 1400}, {"Players", 800}});
    l.players = reportList(parent, "info_players", {{"Name", 1500}, {"Ping", 750}, {"Score", 750}});
    l.rules = reportList(parent, "info_rules", {{"Name", 1400}, {"Value", 1400}});
    return l;
}

void StatusLists::clear()
{
    server->clear();
    players->clear();
    rules->clear();
}

void StatusLists::show(const ServerStatus& status)
{
    new QTreeWidgetItem(server, QStringList{status.serverName, status.mapName, status.players});
    QList<QTreeWidgetItem*> rows;
    for (const PlayerRow& p : status.playerRows)
        rows.append(new QTreeWidgetItem(QStringList{p.name, p.ping, p.score}));
    players->addTopLevelItems(rows);
    rows.clear();
    for (const RuleRow& r : status.rules)
        rows.append(new QTreeWidgetItem(QStringList{r.name, r.value}));
    rules->addTopLevelItems(rows);
}

} // namespace fragdeck
