#include "StatusLists.h"

#include "core/Error.h"
#include "gui/ColouredText.h"
#include "gui/Prompts.h"
#include "gui/Twips.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace fragdeck
{
namespace
{

struct Column {
    const char* title;
    int twips;
};

// `stretch`: the column that takes the width the window gives; the others fit what they hold.
QTreeWidget* reportList(QWidget* parent, const char* name, std::initializer_list<Column> columns,
                        int stretch)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    QStringList titles;
    for (const Column& c : columns)
        titles.append(QLatin1String(c.title));
    list->setHeaderLabels(titles);
    int i = 0;
    for (const Column& c : columns)
        list->setColumnWidth(i++, twipsToPixelsX(c.twips));
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    for (int c = 0; c < list->columnCount(); ++c)
        header->setSectionResizeMode(c, c == stretch ? QHeaderView::Stretch
                                                     : QHeaderView::ResizeToContents);
    // Names keep their colour codes for the delegate; the text is what the game draws.
    list->setItemDelegateForColumn(0, new ColouredTextDelegate(list));
    return list;
}

} // namespace

StatusLists StatusLists::create(QWidget* parent)
{
    StatusLists l;
    l.server = reportList(parent, "info_server",
                          {{"Server name", 2100}, {"Map", 1400}, {"Players", 800}}, 0);
    l.players =
        reportList(parent, "info_players", {{"Name", 1500}, {"Ping", 750}, {"Score", 750}}, 0);
    l.rules = reportList(parent, "info_rules", {{"Name", 1400}, {"Value", 1400}}, 1);
    // Fitting the names could leave the value a few characters: they are sized in show().
    l.rules->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    return l;
}

bool StatusLists::query(QObject* engine, const QString& host, int32_t port, QWidget* parent)
{
    const QString title = QStringLiteral("Error");
    try {
        WaitCursor wait;
        clear();
        const bool answered = connectToServer(engine, host, port);
        wait.restore();
        if (!answered) {
            messageBox(serverTimeOutText(), title, Buttons::Ok, Icon::Error, parent);
            return false;
        }
        show(readServerStatus(engine));
        return true;
    } catch (const Error& e) {
        messageBox(QStringLiteral("The server could not be queried: %1").arg(e.description()),
                   title, Buttons::Ok, Icon::Error, parent);
        return false;
    }
}

void StatusLists::clear()
{
    server->clear();
    players->clear();
    rules->clear();
}

namespace
{
QTreeWidgetItem* rowWithColouredName(const QString& coded, const QStringList& rest)
{
    auto* item = new QTreeWidgetItem(QStringList{withoutColourCodes(coded)} + rest);
    item->setData(0, ColouredTextDelegate::ColouredTextRole, coded);
    return item;
}
} // namespace

void StatusLists::show(const ServerStatus& status)
{
    server->addTopLevelItem(
        rowWithColouredName(status.serverName, {status.mapName, status.players}));
    QList<QTreeWidgetItem*> rows;
    for (const PlayerRow& p : status.playerRows)
        rows.append(rowWithColouredName(p.colouredName, {p.ping, p.score}));
    players->addTopLevelItems(rows);
    rows.clear();
    for (const RuleRow& r : status.rules) {
        auto* row = new QTreeWidgetItem(QStringList{r.name, r.value});
        // The whole value on hover, as text: a server's value is never markup.
        row->setToolTip(1,
                        QStringLiteral("<qt>") + r.value.toHtmlEscaped() + QStringLiteral("</qt>"));
        rows.append(row);
    }
    rules->addTopLevelItems(rows);
    // The names as wide as they need, up to half the list; the value takes the rest.
    rules->resizeColumnToContents(0);
    const int half = std::max(rules->viewport()->width() / 2, twipsToPixelsX(1400));
    rules->setColumnWidth(0, std::min(rules->columnWidth(0), half));
}

} // namespace fragdeck
