// The browser window's server list against the tests' own master and fleet of servers on
// loopback addresses, and the real OpenArena server listed through that master.
#include "BrowserWindow.h"
#include "MapPreview.h"
#include "ServerBrowser.h"
#include "ServerListPanel.h"
#include "core/Activation.h"
#include "core/Countries.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "gui/PlainText.h"
#include "servers/Friends.h"
#include "servers/SeatWait.h"
#include "servers/Watcher.h"
#include "testsupport/GameFolders.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/SessionBus.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::browser;

namespace
{

void option(const char* key, const QString& value)
{
    SaveSetting("Fragdeck", "Options", key, value);
}

void serversSetting(const char* key, const QString& value)
{
    SaveSetting("Fragdeck", "Servers", key, value);
}

QByteArray jpeg(const QColor& colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// A saved list of an earlier session: each server answered "Saved KEY" on q3dm1, as a
// reply says it, so the list reads it back as it would a live one.
bool saveList(const QStringList& keys, int pingMs)
{
    ServerTable saved;
    for (const QString& k : keys) {
        ServerAddress a;
        const int i = saved.ensureRow(serverKey(k, &a), a, Internet);
        const auto reply =
            servers::parseStatusResponse("\xff\xff\xff\xffstatusResponse\n\\sv_hostname\\Saved " +
                                         k.toLatin1() + "\\mapname\\q3dm1\n");
        saved.setAnswer(i, reply->info, pingMs);
    }
    return saveServerCache(serverCachePath(), saved, QDateTime::currentDateTimeUtc());
}

// A game server on ::1 that answers every getstatus as ioquake3 does.
class V6Server : public QObject
{
public:
    V6Server()
    {
        m_socket.bind(QHostAddress::LocalHostIPv6, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                QHostAddress from;
                quint16 port = 0;
                QByteArray d(int(m_socket.pendingDatagramSize()), '\0');
                m_socket.readDatagram(d.data(), d.size(), &from, &port);
                if (!d.startsWith("\xff\xff\xff\xffgetstatus"))
                    continue;
                const QByteArray nonce = d.mid(14).trimmed();
                m_socket.writeDatagram(
                    "\xff\xff\xff\xffstatusResponse\n\\sv_hostname\\Six Arena\\mapname\\q3dm6"
                    "\\sv_maxclients\\12\\protocol\\68\\challenge\\" +
                        nonce + "\n3 25 \"Visor\"\n",
                    from, port);
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }

private:
    QUdpSocket m_socket;
};

} // namespace

class TestBrowserList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_isolated = test::isolateNetwork(&m_why);
        m_bus = std::make_unique<test::SessionBus>(); // before the session bus is first used
    }
    void friendsMarkedTabbedAndHidden();
    void seatWaitJoinsWhenASeatFrees();
    void watchTellsTheDesktop();
    void init();
    void cleanup();
    void forgedListReported();
    void failedMastersNamed();
    void cachedListAtOpenAndRefreshKeepsRows();
    void selectingARowFillsTheLists();
    void joiningAPasswordedServer();
    void filtersAndPlayerSearchAreKept();
    void favouritesAreTheAddressBook();
    void lanServersAreFound();
    void ipv6ServerListedAndJoined();
    void mapPreviewFromTheArchives();
    void whatAServerNeeds();
    void countryColumnAndFilter();
    void realServerThroughTheMaster();
    void hostileServerTextIsPlain_data();
    void hostileServerTextIsPlain();
    void promptsAndTipsShowTextAsIs();

private:
    // The master lists the fleet: 127.0.0.2 "Red Alpha" (two people, a bot), .3 "Bravo CTF"
    // (bots, a password), .4 "Charlie Full", .5 silent.
    void startFleet();
    int refresh(BrowserWindow& w, Source source = Internet);
    QString key(int server) const
    {
        return QString("%1:%2")
            .arg(m_fleet->server(server).host.toString())
            .arg(m_fleet->server(server).port);
    }
    QString bookPath() const { return m_dir->filePath("addbook.dat"); }

    bool m_isolated = false;
    QString m_why;
    std::unique_ptr<test::SessionBus> m_bus;

    std::unique_ptr<test::TempStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::TestFleet> m_fleet;
    std::unique_ptr<test::TestMaster> m_master;
    QString m_game;
};

void TestBrowserList::init()
{
    m_store = std::make_unique<test::TempStore>();
    m_dir = std::make_unique<QTemporaryDir>();
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
    m_game = test::fakeProgram(m_dir->filePath("Games/Quake3/quake3"));
    option("Q3path", m_game);
    option("ConfigPath", m_dir->filePath("Games/Quake3/baseq3/q3config.cfg"));
    // Silent servers give up sooner, so the tests do not wait on them.
    serversSetting("AttemptTimeout", "150");
    serversSetting("Protocol", "68");
    // Nothing here may resolve a name: no masters until a test names its own.
    serversSetting("Masters", "");
}

void TestBrowserList::cleanup()
{
    m_master.reset();
    m_fleet.reset();
    m_dir.reset();
    m_store.reset();
}

void TestBrowserList::startFleet()
{
    m_fleet = std::make_unique<test::TestFleet>();
    QVERIFY(m_fleet->start(4));
    test::TestFleet::Server& a = m_fleet->server(0);
    a.hostname = "^1Red ^7Alpha";
    a.humans = 2;
    a.humanNames = {"^1Fr^7ag", "Doom"};
    a.bots = 1;
    test::TestFleet::Server& b = m_fleet->server(1);
    b.hostname = "Bravo CTF";
    b.map = "q3ctf1";
    b.bots = 2;
    b.gametype = 4;
    b.gamename = "cpma";
    b.needPass = true;
    test::TestFleet::Server& c = m_fleet->server(2);
    c.hostname = "Charlie Full";
    c.maxClients = 4;
    c.humans = 4;
    c.humanNames = {"^3Ang^7elyss"};
    m_fleet->server(3).silent = true;
    m_master = std::make_unique<test::TestMaster>();
    for (int i = 0; i < m_fleet->size(); ++i)
        m_master->addServer(m_fleet->server(i).host, m_fleet->server(i).port);
    serversSetting("Masters", QString("127.0.0.1:%1").arg(m_master->port()));
}

int TestBrowserList::refresh(BrowserWindow& w, Source source)
{
    ServerBrowser* servers = w.servers();
    QSignalSpy finished(servers, &ServerBrowser::finished);
    w.serverPanel()->setSource(source);
    w.serverPanel()->findChild<QPushButton*>("refresh")->click();
    if (finished.isEmpty() && !finished.wait(15000))
        return -1;
    return w.serverPanel()->proxy()->rowCount();
}

void TestBrowserList::friendsMarkedTabbedAndHidden()
{
    startFleet();
    servers::saveFriends({"*ang*"}); // Angelyss, on the full server
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    ServerListPanel* panel = w.serverPanel();
    panel->setSource(WithFriends);
    QCOMPARE(panel->proxy()->rowCount(), 1);
    QCOMPARE(panel->proxy()->index(0, ServerTable::Address).data().toString(), key(2));
    QCOMPARE(panel->proxy()->index(0, 0).data(ServerTable::FriendsRole).toStringList(),
             QStringList{"^3Ang^7elyss"});
    // A friend added from the player list: Frag, on Red Alpha.
    panel->setSource(Internet);
    QVERIFY(panel->selectRow(w.servers()->table().rowOf(key(0))));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QTreeWidgetItem* frag = players->findItems("Frag", Qt::MatchExactly).value(0);
    QVERIFY(frag);
    std::unique_ptr<QMenu> menu(w.playerMenu(frag));
    menu->findChild<QAction*>("addfriend")->trigger();
    QCOMPARE(servers::loadFriends(), (QStringList{"*ang*", "Frag"}));
    QVERIFY(frag->font(0).bold()); // the friend stands out in the player list
    panel->setSource(WithFriends);
    QCOMPARE(panel->proxy()->rowCount(), 2);
    // Hidden in every tab, remembered, and shown again from the Friends dialog's list.
    std::unique_ptr<QMenu> rowMenu(panel->rowMenu(w.servers()->table().rowOf(key(0))));
    rowMenu->findChild<QAction*>("hideserver")->trigger();
    QCOMPARE(panel->proxy()->rowCount(), 1);
    panel->setSource(Internet);
    QCOMPARE(panel->proxy()->rowCount(), 3);
    QCOMPARE(servers::loadHidden(), QStringList{key(0)});
    test::onNextModal([](QWidget* d) {
        auto* hidden = d->findChild<QListWidget*>("hiddenlist");
        hidden->setCurrentRow(0);
        d->findChild<QPushButton*>("showagain")->click();
        static_cast<QDialog*>(d)->accept();
    });
    w.findChild<QPushButton*>("friendsbutton")->click();
    QCOMPARE(servers::loadHidden(), QStringList());
    QCOMPARE(panel->proxy()->rowCount(), 4);
}

void TestBrowserList::seatWaitJoinsWhenASeatFrees()
{
    startFleet();
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    const int full = w.servers()->table().rowOf(key(2));
    std::unique_ptr<QMenu> notFull(w.serverPanel()->rowMenu(w.servers()->table().rowOf(key(0))));
    QVERIFY(!notFull->findChild<QAction*>("seatwait")->isEnabled());
    std::unique_ptr<QMenu> menu(w.serverPanel()->rowMenu(full));
    QAction* wait = menu->findChild<QAction*>("seatwait");
    QVERIFY(wait->isEnabled());
    QSignalSpy answered(w.seatWait(), &servers::SeatWait::answered);
    wait->trigger();
    auto* banner = w.findChild<QLabel*>("banner");
    QVERIFY(!banner->isHidden());
    QCOMPARE(banner->textFormat(), Qt::PlainText);
    QVERIFY(banner->text().startsWith("Waiting for a seat on Charlie Full"));
    QVERIFY(answered.wait(3000)); // still full
    QCOMPARE(processes.requests.size(), 0);
    m_fleet->server(2).humans = 3;
    QSignalSpy freed(w.seatWait(), &servers::SeatWait::seatFree);
    w.seatWait()->checkNow(); // the next of the checks made every 5 s
    QVERIFY(freed.wait(3000));
    QCOMPARE(processes.commandLines(), QStringList{m_game + " +connect " + key(2)});
    QVERIFY(banner->isHidden());
}

void TestBrowserList::watchTellsTheDesktop()
{
    if (m_bus->address().isEmpty())
        QSKIP("no dbus-daemon here");
    startFleet();
    servers::saveFriends({"frag"});
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    w.servers()->setFavourites({key(0)}); // a favourite, watched before any refresh
    {
        auto service = std::make_unique<test::NotificationService>(m_bus->address());
        QVERIFY(service->registered());
        QSignalSpy noticed(service.get(), &test::NotificationService::noticed);
        w.findChild<QCheckBox*>("watch")->setChecked(true);
        QVERIFY(servers::loadWatch());
        QVERIFY(noticed.wait(5000));
        const test::Notice n = service->notices.value(0);
        QCOMPARE(n.summary, QString("Frag is playing"));
        QCOMPARE(n.actions, (QStringList{"join", "Join"}));
        QTest::qWait(100); // the notice's id comes back to the window first
        service->invoke(n.id, "join");
        QTRY_COMPARE(processes.commandLines(), QStringList{m_game + " +connect " + key(0)});
        w.findChild<QCheckBox*>("watch")->setChecked(false);
    }
    // No service on the bus: the window's own banner tells, and nothing fails.
    test::SoundRecorder sounds;
    w.findChild<QCheckBox*>("watch")->setChecked(true);
    QSignalSpy looked(w.watcher(), &servers::Watcher::lookFinished);
    QVERIFY(looked.wait(5000));
    auto* banner = w.findChild<QLabel*>("banner");
    QVERIFY(!banner->isHidden());
    QVERIFY(banner->text().startsWith("Frag is playing: Red Alpha"));
    QCOMPARE(sounds.played.size(), 1);
}

void TestBrowserList::failedMastersNamed()
{
    // No master answers: the window says which and how, and keeps the list it had.
    test::TestMaster quiet;
    quiet.silent = true;
    serversSetting("Masters", QString("127.0.0.1:%1 master.nowhere.test").arg(quiet.port()));
    serversSetting("AttemptTimeout", "100");
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    w.servers()->serverList().masterClient().setCollectTimeoutMs(300);
    QCOMPARE(refresh(w), 0);
    QCOMPARE(w.serverPanel()->findChild<QLabel*>("listreport")->text(),
             QString("Master 127.0.0.1:%1: no reply\nMaster master.nowhere.test:27950: cannot "
                     "resolve")
                 .arg(quiet.port()));
    QCOMPARE(prompts.texts(), QStringList());
}

void TestBrowserList::forgedListReported()
{
    if (!m_isolated)
        QSKIP(qPrintable(m_why)); // even a wrong decision must not send anywhere
    startFleet();
    for (const char* forged : {"10.0.0.1", "192.168.0.7", "224.0.0.1", "255.255.255.255"})
        m_master->addServer(QHostAddress(QLatin1String(forged)), 27960);
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    auto* report = w.serverPanel()->findChild<QLabel*>("listreport");
    QCOMPARE(report->textFormat(), Qt::PlainText);
    QCOMPARE(report->text(),
             QString("Master 127.0.0.1:%1: complete; skipped 2 private, 1 multicast, 1 broadcast")
                 .arg(m_master->port()));
    QCOMPARE(w.servers()->progress().pending, 0); // no row left at "..."
    // A multicast address typed into the address book is never asked either.
    w.servers()->setFavourites({"224.0.0.1:27960"});
    QCOMPARE(refresh(w, Favourites), 1);
    const int row = w.servers()->table().rowOf("224.0.0.1:27960");
    QCOMPARE(w.servers()->table().row(row).state, RowState::NoReply);
}

void TestBrowserList::cachedListAtOpenAndRefreshKeepsRows()
{
    startFleet();
    // The list saved by an earlier session: two fleet servers and one gone since.
    QVERIFY(saveList({key(0), key(1), "127.0.0.99:27960"}, 33));
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    ServerListPanel* panel = w.serverPanel();
    // At once, before any event runs, and without a datagram sent.
    QCOMPARE(panel->proxy()->rowCount(), 3);
    QVERIFY(panel->findChild<QLabel*>("listage")->text().startsWith("Saved list of"));
    QVERIFY(panel->proxy()->index(0, 0).data(ServerTable::OldRole).toBool());
    QCOMPARE(m_fleet->server(0).received + m_fleet->server(1).received, 0);

    int fewest = 3;
    connect(panel->proxy(), &QAbstractItemModel::rowsRemoved, this,
            [&] { fewest = std::min(fewest, panel->proxy()->rowCount()); });
    QSignalSpy progress(w.servers(), &ServerBrowser::progressChanged);
    QCOMPARE(refresh(w), 4); // the fleet; the gone server no master lists and none answers
    QCOMPARE(fewest, 3);
    QVERIFY(progress.size() > 4);
    const ServerBrowser::Progress p = w.servers()->progress();
    QCOMPARE(p.answered, 3);
    QCOMPARE(p.noReply, 2);
    QCOMPARE(p.pending, 0);
    QCOMPARE(panel->findChild<QLabel*>("listage")->text(), QString());
    const ServerTable& t = w.servers()->table();
    const ServerRow& alpha = t.row(t.rowOf(key(0)));
    QCOMPARE(alpha.info.hostname, QString("^1Red ^7Alpha"));
    QVERIFY(!alpha.old);
    QCOMPARE(prompts.texts(), QStringList());

    // Closing saves the list the next window opens with.
    w.reject();
    BrowserWindow again(bookPath());
    QCOMPARE(again.serverPanel()->proxy()->rowCount(), 4);
}

void TestBrowserList::selectingARowFillsTheLists()
{
    startFleet();
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    const int sent = m_fleet->server(0).received;
    QVERIFY(w.serverPanel()->selectRow(w.servers()->table().rowOf(key(0))));
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), key(0));
    auto* info = w.findChild<QTreeWidget*>("info_server");
    QCOMPARE(test::rowTexts(info, 0), (QStringList{"Red Alpha", "q3dm17", "3/16"}));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QCOMPARE(players->topLevelItemCount(), 3);
    QCOMPARE(test::rowTexts(players, 1)[0], QString("Frag"));
    auto* rules = w.findChild<QTreeWidget*>("info_rules");
    QVERIFY(!rules->findItems("g_needpass", Qt::MatchExactly).isEmpty());
    QVERIFY(rules->findItems("challenge", Qt::MatchExactly).isEmpty());
    // From the reply held, no new query: a query asked for now is the next one to arrive.
    w.findChild<QPushButton*>("Command7")->click();
    QTRY_COMPARE(m_fleet->server(0).received, sent + 1);

    // A server that did not answer shows nothing.
    QVERIFY(w.serverPanel()->selectRow(w.servers()->table().rowOf(key(3))));
    QCOMPARE(info->topLevelItemCount(), 0);
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), key(3));
}

void TestBrowserList::joiningAPasswordedServer()
{
    startFleet();
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    QTreeView* view = w.serverPanel()->view();
    QVERIFY(w.serverPanel()->selectRow(w.servers()->table().rowOf(key(1))));
    prompts.queue(Answer::Ok, "s3cret");
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].kind, Prompt::Input);
    QVERIFY(prompts.texts()[0].contains("needs a password"));
    QCOMPARE(processes.commandLines(),
             QStringList{m_game + " +set password s3cret +connect " + key(1)});
    QCOMPARE(w.result(), 0); // Enter joined, it closed nothing

    // A password that would end its argument is refused; a cancel starts nothing.
    prompts.queue(Answer::Ok, "x;quit");
    QTest::keyClick(view, Qt::Key_Return);
    prompts.queueCancel();
    w.findChild<QPushButton*>("Command1")->click(); // "&Start" asks as well
    QCOMPARE(processes.requests.size(), 1);
    QCOMPARE(prompts.prompts.size(), 4);
    QVERIFY(prompts.texts()[2].contains("password"));
    QCOMPARE(prompts.prompts[2].icon, Icon::Error);

    // Double-click joins a server without a password at once.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.serverPanel()->selectRow(w.servers()->table().rowOf(key(0))));
    const QRect rect = view->visualRect(view->currentIndex());
    // Qt 6.4's mouseDClick sends no press of its own; a real double-click starts with one.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(processes.commandLines().value(1), m_game + " +connect " + key(0));
    QCOMPARE(prompts.prompts.size(), 4);

    // Both joins are in the history, newest first.
    const QList<JoinedServer> history = loadHistory(historyPath());
    QCOMPARE(history.size(), 2);
    QCOMPARE(history[0].address, key(0));
    QCOMPARE(history[1].address, key(1));
    w.serverPanel()->setSource(History);
    ServerFilterModel* proxy = w.serverPanel()->proxy();
    QCOMPARE(proxy->rowCount(), 2);
    QCOMPARE(proxy->index(0, ServerTable::Address).data().toString(), key(0));
    QCOMPARE(proxy->index(1, ServerTable::Address).data().toString(), key(1));
    // Whatever order the other sources had.
    w.serverPanel()->setSource(Internet);
    w.serverPanel()->view()->sortByColumn(ServerTable::Address, Qt::DescendingOrder);
    w.serverPanel()->setSource(History);
    QCOMPARE(proxy->index(0, ServerTable::Address).data().toString(), key(0));
    w.serverPanel()->setSource(Internet);
    QCOMPARE(w.serverPanel()->view()->header()->sortIndicatorSection(), int(ServerTable::Address));
}

void TestBrowserList::filtersAndPlayerSearchAreKept()
{
    startFleet();
    test::PromptRecorder prompts;
    {
        BrowserWindow w(bookPath());
        QCOMPARE(refresh(w), 4);
        ServerListPanel* panel = w.serverPanel();
        ServerFilterModel* proxy = panel->proxy();
        auto shown = [&] {
            QStringList out;
            for (int i = 0; i < proxy->rowCount(); ++i)
                out.append(proxy->index(i, ServerTable::Address).data().toString());
            out.sort();
            return out;
        };
        auto* player = panel->findChild<QLineEdit*>("findplayer");
        QTest::keyClicks(player, "^5FRAG");
        QCOMPARE(shown(), QStringList{key(0)});
        player->setText("angel");
        QCOMPARE(shown(), QStringList{key(2)});
        player->clear();
        panel->findChild<QLineEdit*>("search")->setText("charlie");
        QCOMPARE(shown(), QStringList{key(2)});
        panel->findChild<QLineEdit*>("search")->clear();
        panel->findChild<QCheckBox*>("hidenoreply")->setChecked(true);
        QCOMPARE(shown().size(), 3);
        panel->findChild<QCheckBox*>("hidefull")->setChecked(true);
        panel->findChild<QCheckBox*>("nopassword")->setChecked(true);
        QCOMPARE(shown(), QStringList{key(0)});
        panel->findChild<QCheckBox*>("nopassword")->setChecked(false);
        auto* gametype = panel->findChild<QComboBox*>("gametype");
        gametype->setCurrentIndex(gametype->findData(4));
        QCOMPARE(shown(), QStringList{key(1)});
        panel->findChild<QComboBox*>("mod")->setEditText("baseq3");
        QCOMPARE(shown(), QStringList());
        panel->findChild<QComboBox*>("mod")->setEditText("CPMA");
        QCOMPARE(shown(), QStringList{key(1)});
        // Sorting by a header click.
        panel->view()->header()->setSortIndicator(ServerTable::Players, Qt::DescendingOrder);
        w.reject();
    }
    BrowserWindow w(bookPath());
    ServerListPanel* panel = w.serverPanel();
    QVERIFY(panel->findChild<QCheckBox*>("hidenoreply")->isChecked());
    QVERIFY(panel->findChild<QCheckBox*>("hidefull")->isChecked());
    QVERIFY(!panel->findChild<QCheckBox*>("nopassword")->isChecked());
    QCOMPARE(panel->findChild<QComboBox*>("gametype")->currentData().toInt(), 4);
    QCOMPARE(panel->findChild<QComboBox*>("mod")->currentText(), QString("CPMA"));
    QCOMPARE(panel->findChild<QLineEdit*>("findplayer")->text(), QString());
    QCOMPARE(panel->view()->header()->sortIndicatorSection(), int(ServerTable::Players));
    QCOMPARE(panel->view()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(panel->proxy()->rowCount(), 1); // the saved list, filtered as before
    QVERIFY(!panel->findChild<QCheckBox*>("autorefresh")->isChecked());
}

void TestBrowserList::favouritesAreTheAddressBook()
{
    startFleet();
    test::PromptRecorder prompts;
    const QString typed = QString("127.0.0.2:%1").arg(m_fleet->server(0).port);
    prompts.queue(Answer::Ok, typed);
    BrowserWindow w(bookPath());
    ServerListPanel* panel = w.serverPanel();
    panel->setSource(Favourites);
    QCOMPARE(panel->proxy()->rowCount(), 0);
    w.findChild<QPushButton*>("Command3")->click();
    QCOMPARE(panel->proxy()->rowCount(), 1);
    QCOMPARE(refresh(w, Favourites), 1);
    QCOMPARE(panel->proxy()->index(0, ServerTable::Name).data().toString(), QString("Red Alpha"));
    QCOMPARE(m_master->listRequests, 0); // the book's servers only, no master asked
    panel->view()->setCurrentIndex(panel->proxy()->index(0, 0));
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), typed);
    w.findChild<QPushButton*>("Command4")->click();
    QCOMPARE(panel->proxy()->rowCount(), 0);
    w.findChild<QPushButton*>("Command2")->click();
    QCOMPARE(test::readFile(bookPath()), QByteArray());
}

void TestBrowserList::lanServersAreFound()
{
    startFleet();
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    // Loopback only: the fleet's first two servers stand for the LAN.
    w.servers()->lan().setTargets({m_fleet->server(0).host, m_fleet->server(1).host},
                                  {m_fleet->server(0).port, m_fleet->server(1).port});
    QCOMPARE(refresh(w, Lan), 2);
    const ServerTable& t = w.servers()->table();
    const ServerRow& alpha = t.row(t.rowOf(key(0)));
    QCOMPARE(alpha.sources, quint8(Lan));
    QCOMPARE(alpha.info.players.size(), 3); // the status query after discovery
    QVERIFY(alpha.pingMs >= 0);
    QCOMPARE(m_master->listRequests, 0);
}

void TestBrowserList::ipv6ServerListedAndJoined()
{
    V6Server server;
    if (server.port() == 0)
        QSKIP("no IPv6 loopback here");
    m_master = std::make_unique<test::TestMaster>(nullptr, QHostAddress::LocalHostIPv6);
    QVERIFY(m_master->port() != 0);
    m_master->addServer(QHostAddress::LocalHostIPv6, server.port());
    serversSetting("Masters", QString("[::1]:%1").arg(m_master->port()));
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 1);
    const QString address = QString("[::1]:%1").arg(server.port());
    ServerFilterModel* proxy = w.serverPanel()->proxy();
    QCOMPARE(proxy->index(0, ServerTable::Address).data().toString(), address);
    QCOMPARE(proxy->index(0, ServerTable::Name).data().toString(), QString("Six Arena"));
    QTest::keyClick(w.serverPanel()->view(), Qt::Key_Down);
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), address);
    QTest::keyClick(w.serverPanel()->view(), Qt::Key_Return);
    QCOMPARE(processes.commandLines(), QStringList{m_game + " +connect " + address});
    // "Query" reaches it too, through the bracketed address.
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(test::rowTexts(w.findChild<QTreeWidget*>("info_server"), 0),
             (QStringList{"Six Arena", "q3dm6", "1/12"}));
}

void TestBrowserList::mapPreviewFromTheArchives()
{
    const QString base = m_dir->filePath("Games/Quake3/baseq3/");
    QVERIFY(test::writeZip(base + "pak0.pk3", {{"maps/q3dm17.bsp", "BSP"},
                                               {"maps/q3dm1.bsp", "BSP"},
                                               {"levelshots/q3dm17.jpg", jpeg(Qt::red)}}));
    test::writeFile(base + "maps/mymap.bsp", "BSP");
    MapPreview preview;
    preview.setDataFolders({base});
    preview.showMap("Q3DM17");
    QCOMPARE(preview.shown(), MapPreview::Shown::LevelShot);
    QCOMPARE(preview.shownMember(), QString("levelshots/q3dm17.jpg"));
    const QImage& canvas = preview.findChild<archive::PictureBox*>("levelshot")->canvas();
    const QColor middle = canvas.pixelColor(canvas.width() / 2, canvas.height() / 2);
    QVERIFY2(middle.red() > 200 && middle.green() < 60, qPrintable(middle.name()));
    preview.showMap("q3dm1");
    QCOMPARE(preview.shown(), MapPreview::Shown::NoLevelShot);
    preview.showMap("mymap");
    QCOMPARE(preview.shown(), MapPreview::Shown::NoLevelShot);
    preview.showMap("q3ctf4");
    QCOMPARE(preview.shown(), MapPreview::Shown::Missing);
    QVERIFY(preview.findChild<QLabel*>("mapcaption")->text().contains("do not have"));
    preview.showMap(QString());
    QCOMPARE(preview.shown(), MapPreview::Shown::Nothing);
}

void TestBrowserList::whatAServerNeeds()
{
    const QString base = m_dir->filePath("Games/Quake3/baseq3/");
    QVERIFY(test::writeZip(base + "pak0.pk3", {{"maps/q3dm17.bsp", "BSP"}}));
    startFleet();
    // Bravo (cpma, a password) runs q3ctf1 and sends nothing; Charlie runs a map the
    // player lacks and sends it.
    m_fleet->server(1).extraInfo = "\\sv_allowDownload\\0\\game\\cpma";
    m_fleet->server(2).map = "q3ctf9";
    m_fleet->server(2).extraInfo = "\\sv_allowDownload\\1";
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    QCOMPARE(refresh(w), 4);
    QTRY_VERIFY(w.servers()->table().mapMissing(
        w.servers()->table().row(w.servers()->table().rowOf(key(2)))));
    const ServerTable& t = w.servers()->table();
    auto mapCell = [&](int server) { return t.index(t.rowOf(key(server)), ServerTable::Map); };
    QCOMPARE(mapCell(0).data().toString(), QString("q3dm17"));
    QVERIFY(!mapCell(0).data(ServerTable::MapMissingRole).toBool());
    QCOMPARE(mapCell(2).data().toString(), QString("q3ctf9 (map missing)"));
    QVERIFY(mapCell(2).data(ServerTable::MapMissingRole).toBool());
    QVERIFY(mapCell(2).data(Qt::ToolTipRole).toString().contains("not in your archives"));

    auto* needs = w.findChild<QLabel*>("serverneeds");
    QVERIFY(w.serverPanel()->selectRow(t.rowOf(key(1))));
    QCOMPARE(needs->textFormat(), Qt::PlainText);
    QCOMPARE(needs->text(), QString("Mod: cpma (not in your game installation)\n"
                                    "Map missing: q3ctf1 is not in your archives\n"
                                    "Downloads: not offered"));
    // A mod the installation lacks: the player decides not to join.
    prompts.queue(Answer::No);
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].icon, Icon::Warning);
    QVERIFY(prompts.texts()[0].contains("\"cpma\""));
    QVERIFY(processes.requests.isEmpty());
    // With the mod's folder, the missing map the server will not send is warned of next.
    QVERIFY(QDir().mkpath(m_dir->filePath("Games/Quake3/CPMA")));
    prompts.clear();
    prompts.queue(Answer::Yes);
    prompts.queue(Answer::Ok, "pw");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.prompts.size(), 2);
    QVERIFY(prompts.texts()[0].contains("does not offer downloads"));
    QCOMPARE(processes.commandLines(),
             QStringList{m_game + " +set password pw +connect " + key(1)});

    // A server that offers downloads asks once; the answer is kept.
    QVERIFY(w.serverPanel()->selectRow(t.rowOf(key(2))));
    QCOMPARE(needs->text(), QString("Map missing: q3ctf9 is not in your archives\n"
                                    "Downloads: offered by the server"));
    prompts.clear();
    prompts.queue(Answer::Yes);
    QTest::keyClick(w.serverPanel()->view(), Qt::Key_Return);
    QTest::keyClick(w.serverPanel()->view(), Qt::Key_Return);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].buttons, Buttons::YesNo);
    const QString withDownloads = m_game + " +set cl_allowDownload 1 +connect " + key(2);
    QCOMPARE(processes.commandLines().mid(1), (QStringList{withDownloads, withDownloads}));
    QCOMPARE(GetSetting("Fragdeck", "ServerBrowser", "AllowDownloads"), QString("1"));
    SaveSetting("Fragdeck", "ServerBrowser", "AllowDownloads", "0");
    QTest::keyClick(w.serverPanel()->view(), Qt::Key_Return);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(processes.commandLines().value(3), m_game + " +connect " + key(2));
    // The player's own map: nothing to say, nothing asked.
    QVERIFY(w.serverPanel()->selectRow(t.rowOf(key(0))));
    QCOMPARE(needs->text(), QString("Downloads: the server does not say"));
}

void TestBrowserList::countryColumnAndFilter()
{
    if (!QFile::exists(CountryDatabase::defaultPath()))
        QSKIP("no location database here (package libloc-database)");
    // A saved list only: these servers are looked up, never asked (no refresh here).
    QVERIFY(saveList({"130.149.1.1:27960", "193.0.6.139:27960", "127.0.0.2:27960"}, 40));
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    ServerListPanel* panel = w.serverPanel();
    QVERIFY(!panel->view()->isColumnHidden(ServerTable::Country));
    QCOMPARE(panel->proxy()->headerData(ServerTable::Country, Qt::Horizontal).toString(),
             QString("Country"));
    ServerFilterModel* proxy = panel->proxy();
    panel->view()->sortByColumn(ServerTable::Country, Qt::DescendingOrder);
    QStringList codes;
    for (int r = 0; r < proxy->rowCount(); ++r)
        codes.append(proxy->index(r, ServerTable::Country).data().toString());
    QCOMPARE(codes, (QStringList{"NL", "DE", ""}));
    QCOMPARE(proxy->index(0, ServerTable::Country).data(Qt::ToolTipRole).toString(),
             QString("Netherlands"));

    if (QFile::exists("/usr/share/flags/countries/16x11/nl.png")) {
        // The flag is drawn beside the code: the Dutch red and blue are in the cell.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QModelIndex nl = proxy->index(0, ServerTable::Country);
        panel->view()->scrollTo(nl);
        const QImage cell =
            panel->view()->viewport()->grab(panel->view()->visualRect(nl)).toImage();
        bool red = false, blue = false;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x) {
                const QColor c = cell.pixelColor(x, y);
                red = red || (c.red() > 150 && c.green() < 80 && c.blue() < 80);
                blue = blue || (c.blue() > 100 && c.red() < 60 && c.green() < 100);
            }
        QVERIFY(red && blue);
    }

    auto* countries = panel->findChild<QLineEdit*>("countries");
    QVERIFY(countries);
    countries->setText("nl, de");
    QCOMPARE(proxy->rowCount(), 2);
    countries->setText("DE");
    QCOMPARE(proxy->rowCount(), 1);
    QCOMPARE(proxy->index(0, ServerTable::Address).data().toString(), QString("130.149.1.1:27960"));
    QVERIFY(!w.servers()->isRunning());
    QCOMPARE(prompts.texts(), QStringList());
    // The filter is kept for the next window.
    w.reject();
    BrowserWindow again(bookPath());
    QCOMPARE(again.serverPanel()->findChild<QLineEdit*>("countries")->text(), QString("DE"));
    QCOMPARE(again.serverPanel()->proxy()->rowCount(), 1);
}

void TestBrowserList::realServerThroughTheMaster()
{
    if (!test::RealGameServer::available())
        QSKIP("openarena-server is not installed here (package openarena-server)");
    m_master = std::make_unique<test::TestMaster>();
    QSignalSpy registered(m_master.get(), &test::TestMaster::serverRegistered);
    test::RealGameServer server(m_master->port(), QStringLiteral("^2Listed ^7Arena"));
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));
    if (registered.isEmpty())
        QVERIFY2(registered.wait(20000), qPrintable(server.log()));
    serversSetting("Masters", QString("127.0.0.1:%1").arg(m_master->port()));
    serversSetting("Protocol", "71");
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    const QString oa = QStringLiteral("/usr/share/games/openarena/baseoa/");
    w.mapPreview()->setDataFolders({oa});
    QCOMPARE(refresh(w), 1);
    const ServerTable& t = w.servers()->table();
    const int i = t.rowOf(QString("127.0.0.1:%1").arg(server.port()));
    QVERIFY(i >= 0);
    QCOMPARE(t.row(i).name, QString("Listed Arena"));
    QCOMPARE(t.row(i).bots, 2);
    QCOMPARE(t.row(i).humans, 0);
    QVERIFY(w.serverPanel()->selectRow(i));
    QCOMPARE(test::rowTexts(w.findChild<QTreeWidget*>("info_server"), 0),
             (QStringList{"Listed Arena", "oa_dm1", "2/12"}));
    if (QFileInfo::exists(oa + "pak0.pk3")) {
        QCOMPARE(w.mapPreview()->shown(), MapPreview::Shown::LevelShot);
        QVERIFY(w.mapPreview()->shownMember().contains("oa_dm1", Qt::CaseInsensitive));
    }
}

void TestBrowserList::hostileServerTextIsPlain_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("picture") << QByteArray("<img src=\"/dev/zero\">");
    QTest::newRow("bold") << QByteArray("<b>x</b>");
    QTest::newRow("font") << QByteArray("<font color=red size=7>x</font>");
    QTest::newRow("link") << QByteArray("<a href=\"file:///etc/passwd\">x</a>");
    QTest::newRow("control bytes") << QByteArray("\x01\x07\x1b[31m\x7f<img src=/dev/zero>");
    QTest::newRow("oversized") << QByteArray(3000, 'm') + "<img src=\"/dev/zero\">";
}

// Name, map and players as the server sent them, never markup: a rich caption would read
// /dev/zero until memory runs out.
void TestBrowserList::hostileServerTextIsPlain()
{
    QFETCH(QByteArray, text);
    const QString raw = QString::fromLatin1(text);
    m_fleet = std::make_unique<test::TestFleet>();
    QVERIFY(m_fleet->start(1));
    test::TestFleet::Server& s = m_fleet->server(0);
    s.hostname = s.map = text;
    s.humans = 2;
    s.humanNames = {text, "^1<b>Red</b>"};
    m_master = std::make_unique<test::TestMaster>();
    m_master->addServer(s.host, s.port);
    serversSetting("Masters", QString("127.0.0.1:%1").arg(m_master->port()));
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(refresh(w), 1);
    const qint64 before = test::residentKb();
    QVERIFY(w.serverPanel()->selectRow(0));
    auto* caption = w.findChild<QLabel*>("mapcaption");
    caption->grab(); // a rich caption lays out, and loads its pictures, here
    QCoreApplication::processEvents();
    QCOMPARE(caption->textFormat(), Qt::PlainText);
    QCOMPARE(caption->text(), QString("%1: you do not have this map").arg(raw));
    QVERIFY(w.mapPreview()->minimumSizeHint().width() < 600);
    QCOMPARE(test::rowTexts(w.findChild<QTreeWidget*>("info_server"), 0).mid(0, 2),
             (QStringList{raw, raw}));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QCOMPARE(players->findItems(raw, Qt::MatchExactly).size(), 1);
    QCOMPARE(players->findItems("<b>Red</b>", Qt::MatchExactly).size(), 1);
    QCOMPARE(w.serverPanel()->proxy()->index(0, ServerTable::Map).data().toString(), raw);
    const qint64 grown = test::residentKb() - before;
    QVERIFY2(grown < 100 * 1024, qPrintable(QString("%1 KB more").arg(grown)));
    QCOMPARE(prompts.texts(), QStringList());
}

// The shared message and input boxes, and the tooltips, show their text as it is.
void TestBrowserList::promptsAndTipsShowTextAsIs()
{
    const QString text = "<img src=\"/dev/zero\"> <b>x</b>";
    QList<QPair<Qt::TextFormat, QString>> shown;
    const auto record = [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            shown.append({box->textFormat(), box->text()});
        else if (qobject_cast<QInputDialog*>(modal))
            for (QLabel* l : modal->findChildren<QLabel*>())
                shown.append({l->textFormat(), l->text()});
    };
    test::onNextModal(record);
    messageBox(text, "Title", Buttons::YesNo, Icon::Warning);
    test::onNextModal(record);
    inputBox(text, "Title", "typed");
    QCOMPARE(shown,
             (QList<QPair<Qt::TextFormat, QString>>{{Qt::PlainText, text}, {Qt::PlainText, text}}));
    const QString lines = text + " &amp;\n  two  spaces";
    QVERIFY(Qt::mightBeRichText(plainToolTip(lines)));
    QCOMPARE(test::shownToolTip(plainToolTip(lines)), lines);
    QCOMPARE(plainToolTip(QString()), QString());
}

QTEST_MAIN(TestBrowserList)
#include "test_browser_list.moc"
