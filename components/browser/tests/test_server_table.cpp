// The server list's logic: row keys, every filter, the player search, the sort on each
// column, the saved list and the history.
#include "ServerCache.h"
#include "ServerFilter.h"
#include "ServerTable.h"
#include "testsupport/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::browser;

namespace
{

servers::PlayerInfo player(const char* name, int ping, int score = 0)
{
    servers::PlayerInfo p;
    p.name = QString::fromLatin1(name);
    p.ping = ping;
    p.score = score;
    p.bot = ping == 0;
    return p;
}

ServerRow answered(const char* key, const char* name, const char* map, int gametype,
                   const char* mod, int maxClients, int ping, bool needPass,
                   QList<servers::PlayerInfo> players)
{
    ServerRow r;
    r.key = QString::fromLatin1(key);
    serverKey(r.key, &r.address);
    r.sources = Internet;
    r.state = RowState::Ok;
    r.answered = true;
    r.pingMs = ping;
    r.info.hostname = QString::fromLatin1(name);
    r.info.mapname = QString::fromLatin1(map);
    r.info.gametype = gametype;
    r.info.gamename = QString::fromLatin1(mod);
    r.info.maxClients = maxClients;
    r.info.protocol = 68;
    r.info.needPass = needPass;
    r.info.players = players;
    // Everything above, as a server says it: the saved list reads answers back from this.
    r.info.infoString = "\\sv_hostname\\" + QByteArray(name) + "\\mapname\\" + map +
                        "\\g_gametype\\" + QByteArray::number(gametype) + "\\gamename\\" + mod +
                        "\\sv_maxclients\\" + QByteArray::number(maxClients) +
                        "\\protocol\\68\\g_needpass\\" + (needPass ? "1" : "0");
    return r;
}

// A: two people and a bot; B: bots only, CTF, a password; C: full; D: silent; E: asked.
std::vector<ServerRow> sampleRows()
{
    std::vector<ServerRow> rows;
    rows.push_back(
        answered("10.0.0.1:27960", "^1Red ^7Alpha", "q3dm17", 0, "baseq3", 16, 40, false,
                 {player("^1Fr^7ag", 30, 5), player("Doom", 55, 2), player("Sarge", 0)}));
    rows.push_back(answered("10.0.0.2:27960", "Bravo CTF", "q3ctf1", 4, "cpma", 8, 120, true,
                            {player("Anarki", 0), player("Orbb", 0)}));
    rows.push_back(answered("10.0.0.3:27960", "Charlie Full", "oa_dm1", 3, "baseoa", 4, 60, false,
                            {player("^3Ang^7elyss", 20), player("Kyonshi", 33), player("Major", 41),
                             player("Visor", 52)}));
    ServerRow d;
    d.key = QStringLiteral("10.0.0.4:27960");
    d.sources = Internet;
    d.state = RowState::NoReply;
    rows.push_back(d);
    ServerRow e;
    e.key = QStringLiteral("10.0.0.5:27960");
    e.sources = Internet;
    e.state = RowState::Querying;
    rows.push_back(e);
    return rows;
}

// The keys the model shows, in its order.
QStringList shownKeys(const ServerFilterModel& model, const ServerTable& table)
{
    QStringList out;
    for (int i = 0; i < model.rowCount(); ++i)
        out.append(table.row(model.tableRow(model.index(i, 0))).key.section(u'.', 3, 3).left(1));
    return out;
}

} // namespace

class TestServerTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_store = std::make_unique<test::TempStore>(); }
    void cleanup() { m_store.reset(); }
    void keys_data();
    void keys();
    void filters_data();
    void filters();
    void sourceShown();
    void sorting_data();
    void sorting();
    void filterAndSortKept();
    void changesComeInBatches();
    void savedListRoundTrip();
    void damagedSavedList_data();
    void damagedSavedList();
    void historyNewestFirst();

private:
    std::unique_ptr<test::TempStore> m_store;
};

void TestServerTable::keys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("v4") << "10.0.0.1"
                        << "10.0.0.1:27960" << true;
    QTest::newRow("v4 port") << " 10.0.0.1:27000 "
                             << "10.0.0.1:27000" << true;
    QTest::newRow("v6 bracketed") << "[::1]:27961"
                                  << "[::1]:27961" << true;
    QTest::newRow("v6 bare") << "2001:db8::7"
                             << "[2001:db8::7]:27960" << true;
    QTest::newRow("v6 no port") << "[2001:db8::7]"
                                << "[2001:db8::7]:27960" << true;
    QTest::newRow("v4-mapped: one server, one key") << "[::ffff:10.0.0.1]:27000"
                                                    << "10.0.0.1:27000" << true;
    QTest::newRow("name") << "q3.example.org:27961"
                          << "q3.example.org:27961" << false;
    QTest::newRow("port too big") << "10.0.0.1:99999"
                                  << "10.0.0.1:99999" << false;
    QTest::newRow("junk after v6") << "[::1]x"
                                   << "[::1]x" << false;
}

void TestServerTable::keys()
{
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(bool, numeric);
    ServerAddress a;
    QCOMPARE(serverKey(typed, &a), key);
    QCOMPARE(!a.isNull(), numeric);
    if (numeric)
        QCOMPARE(a.toString(), key);
}

void TestServerTable::filters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown"); // last digits of the addresses, in table order
    QTest::newRow("none") << ""
                          << ""
                          << "12345";
    QTest::newRow("search name") << "search"
                                 << "ALPHA"
                                 << "1";
    QTest::newRow("search map") << "search"
                                << "ctf1"
                                << "2";
    QTest::newRow("search address") << "search"
                                    << "10.0.0.4"
                                    << "4";
    QTest::newRow("name colour codes are not text") << "search"
                                                    << "^7Alpha"
                                                    << "";
    QTest::newRow("hide empty") << "hideEmpty"
                                << "1"
                                << "13";
    QTest::newRow("hide full") << "hideFull"
                               << "1"
                               << "12";
    QTest::newRow("hide no reply") << "hideNoReply"
                                   << "1"
                                   << "1235";
    QTest::newRow("game type") << "gameType"
                               << "4"
                               << "2";
    QTest::newRow("mod any case") << "mod"
                                  << "CPMA"
                                  << "2";
    QTest::newRow("max ping") << "maxPing"
                              << "60"
                              << "13";
    QTest::newRow("no password") << "noPassword"
                                 << "1"
                                 << "13";
    QTest::newRow("player") << "player"
                            << "frag"
                            << "1";
    QTest::newRow("player, colours ignored") << "player"
                                             << "^2ANGEL"
                                             << "3";
    QTest::newRow("player not there") << "player"
                                      << "xaero"
                                      << "";
    QTest::newRow("player among bots") << "player"
                                       << "orbb"
                                       << "2";
}

void TestServerTable::filters()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    ServerTable table;
    table.reset(sampleRows());
    ServerFilterModel model(&table);
    ServerFilter f;
    if (field == "search")
        f.search = value;
    else if (field == "hideEmpty")
        f.hideEmpty = true;
    else if (field == "hideFull")
        f.hideFull = true;
    else if (field == "hideNoReply")
        f.hideNoReply = true;
    else if (field == "gameType")
        f.gameType = value.toInt();
    else if (field == "mod")
        f.mod = value;
    else if (field == "maxPing")
        f.maxPing = value.toInt();
    else if (field == "noPassword")
        f.noPassword = true;
    else if (field == "player")
        f.player = value;
    model.setFilter(f);
    QCOMPARE(shownKeys(model, table).join(QString()), shown);
}

void TestServerTable::sourceShown()
{
    ServerTable table;
    std::vector<ServerRow> rows = sampleRows();
    rows[1].sources = Favourites;
    rows[2].sources = Internet | History;
    table.reset(std::move(rows));
    ServerFilterModel model(&table);
    QCOMPARE(shownKeys(model, table).join(QString()), QString("1345"));
    model.setSource(Favourites);
    QCOMPARE(shownKeys(model, table).join(QString()), QString("2"));
    model.setSource(History);
    QCOMPARE(shownKeys(model, table).join(QString()), QString("3"));
    // A row joining a source shows there at once.
    table.setSources(0, Internet | Favourites);
    model.setSource(Favourites);
    QCOMPARE(shownKeys(model, table).join(QString()), QString("12"));
}

void TestServerTable::sorting_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QString>("order");
    // Unanswered rows have no value: first when ascending, last when descending. Equal
    // values keep the table's order, reversed when descending.
    QTest::newRow("name") << int(ServerTable::Name) << false << "45231";
    QTest::newRow("map") << int(ServerTable::Map) << false << "45321";
    QTest::newRow("players desc") << int(ServerTable::Players) << true << "31254";
    QTest::newRow("bots") << int(ServerTable::Bots) << false << "45312";
    QTest::newRow("max") << int(ServerTable::MaxClients) << false << "45321";
    // No answer goes last from the nearest.
    QTest::newRow("ping") << int(ServerTable::Ping) << false << "13245";
    QTest::newRow("ping desc") << int(ServerTable::Ping) << true << "54231";
    QTest::newRow("game type") << int(ServerTable::GameType) << false << "45213";
    QTest::newRow("mod") << int(ServerTable::Mod) << false << "45312";
    QTest::newRow("password desc") << int(ServerTable::Password) << true << "25431";
    QTest::newRow("address desc") << int(ServerTable::Address) << true << "54321";
}

void TestServerTable::sorting()
{
    QFETCH(int, column);
    QFETCH(bool, descending);
    QFETCH(QString, order);
    ServerTable table;
    table.reset(sampleRows());
    ServerFilterModel model(&table);
    model.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QCOMPARE(shownKeys(model, table).join(QString()), order);
}

void TestServerTable::filterAndSortKept()
{
    ServerFilter f;
    f.search = "arena";
    f.hideEmpty = f.hideFull = f.hideNoReply = f.noPassword = true;
    f.gameType = 3;
    f.mod = "baseoa";
    f.maxPing = 80;
    f.player = "^1Fr^7ag";
    f.save();
    QCOMPARE(ServerFilter::load(), f);
    ListView v;
    v.source = Favourites;
    v.sortColumn = ServerTable::Players;
    v.sortOrder = Qt::DescendingOrder;
    v.autoRefresh = true;
    v.save();
    const ListView back = ListView::load();
    QCOMPARE(back.source, Favourites);
    QCOMPARE(back.sortColumn, int(ServerTable::Players));
    QCOMPARE(back.sortOrder, Qt::DescendingOrder);
    QVERIFY(back.autoRefresh);
    // Nothing stored: everything shown, nearest first, auto-refresh off.
    test::TempStore fresh;
    QCOMPARE(ServerFilter::load(), ServerFilter());
    QCOMPARE(ListView::load().sortColumn, int(ServerTable::Ping));
    QVERIFY(!ListView::load().autoRefresh);
}

void TestServerTable::changesComeInBatches()
{
    ServerTable table;
    table.reset(sampleRows());
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    servers::ServerInfo info;
    info.hostname = "Echo";
    table.setAnswer(4, info, 12);
    table.setState(1, RowState::NoReply);
    table.setState(3, RowState::Querying);
    QCOMPARE(changed.size(), 0);
    QVERIFY(changed.wait(2000));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 1);
    QCOMPARE(changed[0][1].toModelIndex().row(), 4);
    QCOMPARE(table.data(table.index(4, ServerTable::Name)).toString(), QString("Echo"));
    QCOMPARE(table.data(table.index(4, ServerTable::Ping)).toInt(), 12);
}

void TestServerTable::savedListRoundTrip()
{
    ServerTable table;
    std::vector<ServerRow> rows = sampleRows();
    rows[1].sources = Internet | Favourites;
    ServerRow book; // only in the book, never answered: not worth keeping
    book.key = "q3.example.org";
    book.sources = Favourites;
    rows.push_back(book);
    table.reset(std::move(rows));
    QTemporaryDir dir;
    const QString path = dir.filePath("servers.cache");
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(1700000000000);
    QString error;
    QVERIFY2(saveServerCache(path, table, at, &error), qPrintable(error));
    const SavedList back = loadServerCache(path, {}, &error);
    QCOMPARE(back.savedAt, at);
    QCOMPARE(int(back.rows.size()), 5);
    const ServerRow& a = back.rows[0];
    QCOMPARE(a.key, QString("10.0.0.1:27960"));
    QCOMPARE(a.address.toString(), a.key);
    QVERIFY(a.old && a.answered);
    QCOMPARE(a.state, RowState::Unknown);
    QCOMPARE(a.pingMs, 40);
    QCOMPARE(a.info.hostname, QString("^1Red ^7Alpha"));
    QCOMPARE(a.info.players.size(), 3);
    QCOMPARE(a.info.players[0].name, QString("^1Fr^7ag"));
    QVERIFY(a.info.players[2].bot);
    QCOMPARE(back.rows[1].sources, quint8(Internet)); // the book says the rest
    QVERIFY(back.rows[1].info.needPass);
    QCOMPARE(back.rows[3].state, RowState::NoReply);
    QVERIFY(!back.rows[3].old);
}

void TestServerTable::damagedSavedList_data()
{
    QTest::addColumn<int>("cut"); // bytes kept of a good file (from its end when < 0)
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows"); // of the 6 saved, those read back
    QTest::newRow("cut in the last row") << -5 << QByteArray() << 5;
    QTest::newRow("cut before the count") << 10 << QByteArray() << 0;
    QTest::newRow("not a list") << 0 << QByteArray("servers\r\n10.0.0.1\r\n") << 0;
    QTest::newRow("count far too big")
        << 0 << QByteArray::fromHex("46444c530002000000000000000000ffffffff") << 0;
    QTest::newRow("rest after the rows") << 1 << QByteArray("x") << 5;
}

void TestServerTable::damagedSavedList()
{
    QFETCH(int, cut);
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("servers.cache");
    ServerTable table;
    std::vector<ServerRow> saved = sampleRows();
    // A multicast "server" (a forged list saved before the address checks) never loads.
    saved.push_back(answered("224.0.0.1:27960", "<b>x</b>", "q3dm1", 0, "baseq3", 8, 9, false, {}));
    table.reset(std::move(saved));
    QVERIFY(saveServerCache(path, table, QDateTime::currentDateTimeUtc()));
    const QByteArray good = test::readFile(path);
    if (cut > 1)
        bytes = good.left(cut);
    else if (cut < 0)
        bytes = good.left(good.size() + cut);
    else if (cut == 1)
        bytes = good + bytes;
    test::writeFile(path, bytes);
    QString error;
    const SavedList back = loadServerCache(path, {}, &error);
    QCOMPARE(int(back.rows.size()), rows);
    QVERIFY(!error.isEmpty());
    for (const ServerRow& r : back.rows)
        QVERIFY(r.key != QLatin1String("224.0.0.1:27960"));
    // A missing list is no fault.
    error.clear();
    QVERIFY(loadServerCache(dir.filePath("none"), {}, &error).rows.empty());
    QCOMPARE(error, QString());
}

void TestServerTable::historyNewestFirst()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("history.dat");
    QVERIFY(loadHistory(path).isEmpty());
    QVERIFY(recordJoin(path, "10.0.0.1:27960", 1000));
    QVERIFY(recordJoin(path, "[::1]:27961", 2000));
    QVERIFY(recordJoin(path, "10.0.0.1:27960", 3000)); // again: first, once
    QList<JoinedServer> h = loadHistory(path);
    QCOMPARE(h.size(), 2);
    QCOMPARE(h[0].address, QString("10.0.0.1:27960"));
    QCOMPARE(h[0].joinedMs, 3000);
    QCOMPARE(h[1].address, QString("[::1]:27961"));
    for (int i = 0; i < kHistoryLength + 5; ++i)
        QVERIFY(recordJoin(path, QString("10.0.1.%1").arg(i), 4000 + i));
    h = loadHistory(path);
    QCOMPARE(h.size(), kHistoryLength);
    QCOMPARE(h[0].address, QString("10.0.1.%1").arg(kHistoryLength + 4));
}

QTEST_GUILESS_MAIN(TestServerTable)
#include "test_server_table.moc"
