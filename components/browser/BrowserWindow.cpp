#include "BrowserWindow.h"

#include "AddressBook.h"
#include "FriendsDialog.h"
#include "MapPreview.h"
#include "ServerBrowser.h"
#include "ServerListPanel.h"
#include "core/Activation.h"
#include "core/DesktopNotifications.h"
#include "core/Error.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "game/GameText.h"
#include "gui/DialogButtons.h"
#include "gui/Prompts.h"
#include "gui/Sound.h"
#include "servers/Friends.h"
#include "servers/SeatWait.h"
#include "servers/Watcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

namespace fragdeck
{
namespace
{

const QString errorTitle = QStringLiteral("Error");

QString option(const char* key)
{
    return GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QLatin1String(key));
}

// The player's answer to letting the game download from servers: "1", "0", or empty when
// not asked yet.
const QString kDownloadsKey = QStringLiteral("AllowDownloads");

QString downloadChoice()
{
    return GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("ServerBrowser"), kDownloadsKey)
        .trimmed();
}

// The mod folder the server runs: "game" (its fs_game) when it sends one, else the
// game module's name. Empty for the base game.
QString modFolder(const servers::ServerInfo& info)
{
    QString mod = info.value("game").trimmed();
    if (mod.isEmpty())
        mod = info.gamename.trimmed();
    for (const char* base : {"baseq3", "baseoa"})
        if (mod.compare(QLatin1String(base), Qt::CaseInsensitive) == 0)
            return QString();
    return mod;
}

// sv_allowDownload is a bit set; bit 1 switches downloads on.
bool offersDownloads(const servers::ServerInfo& info)
{
    return info.value("sv_allowDownload").trimmed().toInt() & 1;
}

enum class ModFolder { Unknown, Installed, Missing };

// A mod is a folder beside the game's data folders, in the base path or the home path.
// Unknown when no data folder of the installation exists: nothing to compare with.
ModFolder modFolderState(const QString& mod)
{
    const GameInstall install = GameInstall::fromSettings();
    const QStringList folders = install.dataFolders();
    if (folders.isEmpty() || mod.isEmpty())
        return ModFolder::Unknown;
    if (mod.compare(install.gameFolderName, Qt::CaseInsensitive) == 0)
        return ModFolder::Installed;
    // The game's folder names are what it sent; one holding a path is no folder of ours.
    if (mod.contains(u'/') || mod.contains(u'\\') || mod.startsWith(u'.'))
        return ModFolder::Missing;
    for (const QString& f : folders) {
        QDir parent(f);
        if (!parent.cdUp())
            continue;
        for (const QString& entry : parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (entry.compare(mod, Qt::CaseInsensitive) == 0)
                return ModFolder::Installed;
    }
    return ModFolder::Missing;
}

} // namespace

BrowserWindow::BrowserWindow(const QString& addressBookPath, QWidget* parent)
    : QDialog(parent), m_addressBookPath(addressBookPath),
      m_servers(std::make_unique<browser::ServerBrowser>())
{
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("Fragdeck Server Browser"));

    auto* label = new QLabel(QStringLiteral("Connect to:"), this);
    label->setObjectName(QStringLiteral("Label3"));
    m_ipcombo = new QComboBox(this);
    m_ipcombo->setObjectName(QStringLiteral("ipcombo"));
    m_ipcombo->setEditable(true);
    m_ipcombo->setInsertPolicy(QComboBox::NoInsert);
    m_ipcombo->setMinimumContentsLength(24);
    label->setBuddy(m_ipcombo);

    auto* query = namedButton(this, "Command7", QStringLiteral("Query"));
    auto* add = namedButton(this, "Command3", QStringLiteral("Add new server address"));
    auto* remove = namedButton(this, "Command4", QStringLiteral("Remove current address"));
    auto* friends = namedButton(this, "friendsbutton", QStringLiteral("Friends..."));
    m_watch = new QCheckBox(QStringLiteral("Watch"), this);
    m_watch->setObjectName(QStringLiteral("watch"));
    m_watch->setToolTip(QStringLiteral("Look at your favourites and your friends' servers every "
                                       "minute, and tell when a friend comes or a seat frees"));
    auto* start = namedButton(this, "Command1", QStringLiteral("&Start"));
    auto* ret = namedButton(this, "Command2", QStringLiteral("&Return"));

    m_lists = StatusLists::create(this);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_ipcombo, 1);
    top->addWidget(query);
    auto* book = new QHBoxLayout;
    book->addWidget(add);
    book->addWidget(remove);
    book->addStretch(1);
    auto* lists = new QGridLayout;
    lists->addWidget(m_lists.server, 0, 0, 1, 2);
    lists->addWidget(m_lists.players, 1, 0);
    lists->addWidget(m_lists.rules, 1, 1);
    lists->setRowStretch(1, 1);
    m_needs = new QLabel(this);
    m_needs->setObjectName(QStringLiteral("serverneeds"));
    m_needs->setTextFormat(Qt::PlainText);
    m_needs->setWordWrap(true);
    lists->addWidget(m_needs, 2, 0, 1, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(friends);
    bottom->addWidget(m_watch);
    bottom->addStretch(1);
    bottom->addWidget(start);
    bottom->addWidget(ret);
    // The server list beside the address box, the status lists and the map.
    auto* side = new QWidget(this);
    m_preview = new MapPreview(side);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    // Waiting for a seat, or news of a friend where the desktop has no notices.
    m_banner = new QLabel(side);
    m_banner->setObjectName(QStringLiteral("banner"));
    m_banner->setTextFormat(Qt::PlainText);
    m_banner->setWordWrap(true);
    m_banner->setStyleSheet(QStringLiteral("QLabel { background: #fff3c4; color: #3a2f00; "
                                           "border: 1px solid #d9b84a; padding: 4px; }"));
    m_banner->hide();
    m_cancelWait = namedButton(side, "cancelwait", QStringLiteral("Cancel"));
    m_cancelWait->hide();
    auto* bannerRow = new QHBoxLayout;
    bannerRow->addWidget(m_banner, 1);
    bannerRow->addWidget(m_cancelWait);
    layout->addLayout(bannerRow);
    layout->addLayout(top);
    layout->addLayout(book);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    m_lists.server->setMaximumHeight(m_lists.server->sizeHint().height() / 3);
    m_panel = new ServerListPanel(m_servers.get(), this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("browsersplit"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_panel);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(splitter);
    resize(1240, 700);
    splitter->setSizes({830, 410});

    connect(query, &QPushButton::clicked, this, &BrowserWindow::on_Command7_clicked);
    connect(friends, &QPushButton::clicked, this, [this] {
        FriendsDialog d(this);
        if (d.exec() == QDialog::Accepted)
            friendsChanged();
    });
    connect(m_panel, &ServerListPanel::hideRequested, this, &BrowserWindow::hideServer);
    connect(m_panel, &ServerListPanel::seatWaitRequested, this, &BrowserWindow::waitForSeat);
    m_seatWait = std::make_unique<servers::SeatWait>();
    connect(m_cancelWait, &QPushButton::clicked, this, [this] {
        m_seatWait->cancel();
        m_banner->hide();
        m_cancelWait->hide();
    });
    connect(m_seatWait.get(), &servers::SeatWait::seatFree, this, [this] {
        m_banner->hide();
        m_cancelWait->hide();
        const int row = m_servers->table().rowOf(browser::serverKey(m_waitAddress));
        const browser::ServerRow* listed = row >= 0 ? &m_servers->table().row(row) : nullptr;
        joinServer(m_waitAddress, listed);
    });
    connect(m_seatWait.get(), &servers::SeatWait::expired, this, [this] {
        m_cancelWait->hide();
        m_banner->setText(QStringLiteral("No seat freed on %1 in 15 minutes.").arg(m_waitAddress));
    });
    m_lists.players->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lists.players, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = m_lists.players->itemAt(at);
        if (!item)
            return;
        std::unique_ptr<QMenu> menu(playerMenu(item));
        menu->exec(m_lists.players->viewport()->mapToGlobal(at));
    });
    connect(m_watch, &QCheckBox::toggled, this, &BrowserWindow::setWatching);
    connect(add, &QPushButton::clicked, this, &BrowserWindow::on_Command3_clicked);
    connect(remove, &QPushButton::clicked, this, &BrowserWindow::on_Command4_clicked);
    connect(start, &QPushButton::clicked, this, &BrowserWindow::on_Command1_clicked);
    connect(ret, &QPushButton::clicked, this, &BrowserWindow::on_Command2_clicked);
    // Enter in the address box asks the server, as "Query" does. Taken here, before the
    // combo box passes the key to its line edit a second time.
    m_ipcombo->lineEdit()->installEventFilter(this);
    connect(m_panel, &ServerListPanel::serverSelected, this, &BrowserWindow::onServerSelected);
    connect(m_panel, &ServerListPanel::serverActivated, this, [this](int row) {
        joinServer(m_servers->addressText(row, m_panel->source()), &m_servers->table().row(row));
    });

    // The saved list first, so the window shows it at once; the book and the history
    // then mark their rows.
    m_servers->loadCache(browser::serverCachePath());
    m_servers->setHistory(browser::loadHistory(browser::historyPath()));
    loadWindow();
    m_servers->setFavourites(bookEntries());
    friendsChanged();
    if (servers::loadWatch()) {
        const QSignalBlocker block(m_watch);
        m_watch->setChecked(true);
        setWatching(true);
    }
    // The archives are listed once the window shows, not before.
    QTimer::singleShot(0, this, [this] {
        if (!m_mapsMarked)
            markMissingMaps();
    });
}

void BrowserWindow::friendsChanged()
{
    m_servers->table().setFriends(servers::FriendList(servers::loadFriends()));
    m_servers->table().setHidden(servers::loadHidden());
    if (m_watcher)
        m_watcher->setFriends(m_servers->table().friends());
    markFriendPlayers();
}

QMenu* BrowserWindow::playerMenu(QTreeWidgetItem* player)
{
    auto* menu = new QMenu(this);
    QAction* add = menu->addAction(QStringLiteral("Add to friends"));
    add->setObjectName(QStringLiteral("addfriend"));
    const QString name = player->text(0);
    connect(add, &QAction::triggered, this, [this, name] {
        if (servers::addFriend(name))
            friendsChanged();
    });
    return menu;
}

void BrowserWindow::markFriendPlayers()
{
    const servers::FriendList& friends = m_servers->table().friends();
    for (int i = 0; i < m_lists.players->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lists.players->topLevelItem(i);
        QFont f = item->font(0);
        f.setBold(!friends.match(item->text(0)).isEmpty());
        for (int c = 0; c < m_lists.players->columnCount(); ++c)
            item->setFont(c, f);
    }
}

void BrowserWindow::hideServer(int row)
{
    QStringList hidden = servers::loadHidden();
    const QString key = m_servers->table().row(row).key;
    if (!hidden.contains(key))
        hidden.append(key);
    servers::saveHidden(hidden);
    m_servers->table().setHidden(hidden);
}

void BrowserWindow::waitForSeat(int row)
{
    const browser::ServerRow& r = m_servers->table().row(row);
    if (r.address.isNull())
        return; // a host name not looked up yet: it has no answer to be full in
    m_waitAddress = m_servers->addressText(row, m_panel->source());
    m_banner->setText(QStringLiteral("Waiting for a seat on %1 (%2)...")
                          .arg(r.name.isEmpty() ? r.key : r.name, m_waitAddress));
    m_banner->show();
    m_cancelWait->show();
    m_seatWait->start(r.address);
}

void BrowserWindow::setWatching(bool on)
{
    servers::saveWatch(on);
    // A tray icon says so where the desktop has a tray; nothing depends on one.
    if (on && !m_tray && QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(windowIcon(), this);
        m_tray->setToolTip(QStringLiteral("Fragdeck is watching your friends and favourites"));
    }
    if (m_tray)
        m_tray->setVisible(on);
    if (!on) {
        m_watcher.reset();
        return;
    }
    if (!m_desktop) {
        m_desktop = std::make_unique<DesktopNotifications>();
        connect(m_desktop.get(), &DesktopNotifications::actionInvoked, this,
                [this](const QVariant& tag, const QString& action) {
                    if (action != QLatin1String("join"))
                        return;
                    const int row = m_servers->table().rowOf(tag.toString());
                    joinServer(tag.toString(), row >= 0 ? &m_servers->table().row(row) : nullptr);
                });
    }
    m_watcher = std::make_unique<servers::Watcher>();
    QList<ServerAddress> watched;
    const browser::ServerTable& t = m_servers->table();
    for (int i = 0; i < t.size(); ++i) {
        const browser::ServerRow& r = t.row(i);
        if (!r.address.isNull() && ((r.sources & browser::Favourites) || !r.friends.isEmpty()))
            watched.append(r.address);
    }
    m_watcher->setServers(watched);
    m_watcher->setFriends(t.friends());
    m_watcher->setIntervalSeconds(servers::loadWatchInterval());
    connect(m_watcher.get(), &servers::Watcher::event, this, &BrowserWindow::onWatchEvent);
    m_watcher->start();
}

void BrowserWindow::onWatchEvent(const servers::WatchEvent& e)
{
    tell(servers::noticeSummary(e), servers::noticeBody(e),
         servers::noticeJoins(e) ? e.address.toString() : QString());
}

void BrowserWindow::tell(const QString& summary, const QString& body, const QString& joinAddress)
{
    if (m_desktop &&
        m_desktop->notify(summary, body, joinAddress.isEmpty() ? QString() : QStringLiteral("join"),
                          QStringLiteral("Join"), joinAddress))
        return;
    m_banner->setText(summary + QStringLiteral(": ") +
                      QString(body).replace(u'\n', QStringLiteral(" - ")));
    m_banner->show();
    playWave(programFolder() + QStringLiteral("/system/beep.wav"), 0);
}

BrowserWindow::~BrowserWindow()
{
    // The list's views go before the table they show.
    delete m_panel;
}

void BrowserWindow::markMissingMaps()
{
    m_mapsMarked = true;
    const archive::MapArchives& maps = m_preview->archives();
    // No map at all means no installation found: marking every server would say nothing.
    if (!maps.maps.isEmpty())
        m_servers->table().setPlayerMaps(maps.maps);
}

void BrowserWindow::loadWindow()
{
    m_q3path = option("Q3path");
    m_configPath = option("ConfigPath");
    if (m_configPath.isEmpty()) {
        m_engineProblem = QStringLiteral(
            "The game's configuration file is not set, so servers cannot be queried. Go to "
            "'Fragdeck Options' and give in the path of the game.");
        return;
    }
    const AddressBook book = AddressBook::load(m_addressBookPath);
    // A book that is there but cannot be read is not the whole book: never save over it.
    m_bookLoaded = book.read || !book.exists;
    m_ipcombo->addItems(book.entries);
    m_ipcombo->setEditText(book.lastLine);
    try {
        m_engine = CreateObject(QStringLiteral("scoutlink.commander"));
    } catch (const Error& e) {
        m_engineProblem =
            QStringLiteral("The server query engine could not be started: %1").arg(e.description());
    }
}

void BrowserWindow::on_Command7_clicked()
{
    if (m_querying)
        return; // the window stays live during a query; one at a time
    if (!m_engine) {
        messageBox(m_engineProblem, errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    const QScopedValueRollback<bool> busy(m_querying, true);
    const QString text = m_ipcombo->currentText();
    TypedAddress address;
    try {
        address = splitServerAddress(text);
    } catch (const Error&) {
        messageBox(QStringLiteral("The port in '%1' is not a valid port number.").arg(text),
                   errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    // Quick connect's check: text that could end the query's address is not one.
    if (const QString problem =
            gameArgumentProblem(QStringLiteral("server address"), text.trimmed());
        !problem.isEmpty()) {
        messageBox(problem, errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    if (m_lists.query(m_engine.get(), address.host, address.port, this) &&
        m_lists.server->topLevelItemCount() > 0)
        m_preview->showMap(m_lists.server->topLevelItem(0)->text(1));
}

void BrowserWindow::on_Command3_clicked()
{
    const QString address = inputBox(QStringLiteral("Please give in the address of the Q3 server"),
                                     QStringLiteral("Fragdeck"), QString(), this);
    if (address.isEmpty())
        return;
    m_ipcombo->addItem(address);
    m_ipcombo->setEditText(address);
    m_bookChanged = true;
    m_servers->setFavourites(bookEntries());
}

void BrowserWindow::on_Command4_clicked()
{
    const QString text = m_ipcombo->currentText();
    for (int i = 0; i < m_ipcombo->count(); ++i) {
        if (m_ipcombo->itemText(i) == text) {
            m_ipcombo->removeItem(i);
            m_bookChanged = true;
            break;
        }
    }
    // Removing the shown entry would change the text; it stays as typed.
    m_ipcombo->setEditText(text);
    m_servers->setFavourites(bookEntries());
}

QStringList BrowserWindow::bookEntries() const
{
    QStringList entries;
    for (int i = 0; i < m_ipcombo->count(); ++i)
        entries.append(m_ipcombo->itemText(i));
    return entries;
}

void BrowserWindow::on_Command1_clicked()
{
    const QString address = m_ipcombo->currentText();
    // A server of the list that needs a password asks for it here too.
    const int row = m_servers->table().rowOf(browser::serverKey(address));
    joinServer(address, row >= 0 ? &m_servers->table().row(row) : nullptr);
}

bool BrowserWindow::checkServerNeeds(const browser::ServerRow& r, QString* arguments)
{
    if (!m_mapsMarked)
        markMissingMaps();
    const QString mod = modFolder(r.info);
    if (modFolderState(mod) == ModFolder::Missing &&
        messageBox(QStringLiteral("The server runs the mod \"%1\", which your game installation "
                                  "does not have. Join anyway?")
                       .arg(mod),
                   QStringLiteral("Fragdeck"), Buttons::YesNo, Icon::Warning, this) != Answer::Yes)
        return false;
    const bool downloads = offersDownloads(r.info);
    if (!downloads && m_servers->table().mapMissing(r) &&
        messageBox(QStringLiteral("The map \"%1\" is not in your archives, and the server does "
                                  "not offer downloads, so the game cannot load it. Join anyway?")
                       .arg(r.info.mapname),
                   QStringLiteral("Fragdeck"), Buttons::YesNo, Icon::Warning, this) != Answer::Yes)
        return false;
    if (!downloads)
        return true;
    QString choice = downloadChoice();
    if (choice.isEmpty()) {
        const Answer a = messageBox(
            QStringLiteral("This server offers downloads of the maps and mods it runs. Let the "
                           "game download what it needs from servers that offer it?\n\nYour "
                           "answer is kept; it is not asked again."),
            QStringLiteral("Fragdeck"), Buttons::YesNo, Icon::Question, this);
        choice = a == Answer::Yes ? QStringLiteral("1") : QStringLiteral("0");
        SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("ServerBrowser"), kDownloadsKey,
                    choice);
    }
    if (choice == QLatin1String("1"))
        *arguments += QStringLiteral(" +set cl_allowDownload 1");
    return true;
}

void BrowserWindow::joinServer(const QString& address, const browser::ServerRow* listed)
{
    // A copy: the table may grow while a prompt is open.
    const std::optional<browser::ServerRow> row =
        listed ? std::optional<browser::ServerRow>(*listed) : std::nullopt;
    QString problem = gameArgumentProblem(QStringLiteral("server address"), address);
    if (!problem.isEmpty()) {
        messageBox(problem, errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    const bool answered = row && row->answered;
    QString arguments;
    if (answered && !checkServerNeeds(*row, &arguments))
        return;
    if (answered && row->info.needPass) {
        const QString password = inputBox(
            QStringLiteral("The server %1 needs a password. Please give it in:").arg(address),
            QStringLiteral("Fragdeck"), QString(), this);
        if (password.isEmpty())
            return;
        problem = gameArgumentProblem(QStringLiteral("password"), password);
        if (!problem.isEmpty()) {
            messageBox(problem, errorTitle, Buttons::Ok, Icon::Error, this);
            return;
        }
        arguments += QStringLiteral(" +set password ") + password;
    }
    QString error;
    if (!startGame(m_q3path, arguments + QStringLiteral(" +connect ") + address, nullptr, &error)) {
        messageBox(error, errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    // The history is a convenience: a history that cannot be written does not undo the join.
    m_servers->recordJoin(browser::historyPath(), address, QDateTime::currentMSecsSinceEpoch());
}

void BrowserWindow::onServerSelected(int row)
{
    const browser::ServerRow& r = m_servers->table().row(row);
    m_ipcombo->setEditText(m_servers->addressText(row, m_panel->source()));
    m_lists.clear();
    m_preview->showMap(r.answered ? r.info.mapname : QString());
    showServerNeeds(r.answered ? &r : nullptr);
    if (!r.answered)
        return;
    // The reply the list already holds: no new query.
    ServerStatus status;
    status.serverName = r.info.hostname;
    status.mapName = r.info.mapname;
    status.players = QString::number(r.info.playerCount()) + u'/' + r.info.value("sv_maxclients");
    for (const servers::PlayerInfo& p : r.info.players)
        status.playerRows.append({withoutColourCodes(p.name), p.name, QString::number(p.ping),
                                  QString::number(p.score)});
    for (const auto& [name, value] : r.info.pairs())
        if (name.compare(QLatin1String("challenge"), Qt::CaseInsensitive) != 0)
            status.rules.append({name, value});
    m_lists.show(status);
    markFriendPlayers();
}

void BrowserWindow::showServerNeeds(const browser::ServerRow* r)
{
    if (!r) {
        m_needs->clear();
        return;
    }
    if (!m_mapsMarked)
        markMissingMaps();
    QStringList lines;
    const QString mod = modFolder(r->info);
    if (!mod.isEmpty())
        lines.append(modFolderState(mod) == ModFolder::Missing
                         ? QStringLiteral("Mod: %1 (not in your game installation)").arg(mod)
                         : QStringLiteral("Mod: %1").arg(mod));
    if (m_servers->table().mapMissing(*r))
        lines.append(
            QStringLiteral("Map missing: %1 is not in your archives").arg(r->info.mapname));
    if (offersDownloads(r->info))
        lines.append(QStringLiteral("Downloads: offered by the server"));
    else if (r->info.value("sv_allowDownload").isEmpty())
        lines.append(QStringLiteral("Downloads: the server does not say"));
    else
        lines.append(QStringLiteral("Downloads: not offered"));
    m_needs->setText(lines.join(u'\n'));
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ipcombo->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            on_Command7_clicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void BrowserWindow::on_Command2_clicked()
{
    if (!saveAddressBook())
        return;
    saveServerList();
    accept();
}

void BrowserWindow::reject()
{
    // The title bar's close and Escape keep the addresses added or removed here, as
    // "&Return" does.
    if (m_bookChanged && !saveAddressBook())
        return;
    saveServerList();
    QDialog::reject();
}

void BrowserWindow::saveServerList()
{
    m_servers->stop();
    // The saved list only spares the next opening a wait: when it cannot be written the
    // window still closes, and the next one opens with the list saved before.
    m_servers->saveCache(browser::serverCachePath());
}

bool BrowserWindow::saveAddressBook()
{
    QStringList entries;
    for (int i = 0; i < m_ipcombo->count(); ++i)
        entries.append(m_ipcombo->itemText(i));
    if (!m_bookLoaded) {
        // The list holds only what was added in this window: keep the saved addresses.
        const AddressBook saved = AddressBook::load(m_addressBookPath);
        if (saved.exists && !saved.read) {
            messageBox(QStringLiteral("The address book %1 could not be read, so it was not "
                                      "changed: %2")
                           .arg(m_addressBookPath, saved.error),
                       errorTitle, Buttons::Ok, Icon::Error, this);
            return true;
        }
        entries = saved.entries + entries;
    }
    QString error;
    if (!AddressBook::save(m_addressBookPath, entries, &error)) {
        // Stay open so the list is not lost with the window.
        messageBox(QStringLiteral("The address book could not be saved. %1").arg(error), errorTitle,
                   Buttons::Ok, Icon::Error, this);
        return false;
    }
    return true;
}

} // namespace fragdeck
