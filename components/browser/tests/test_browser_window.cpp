#include "BrowserWindow.h"
#include "MapPreview.h"
#include "core/Activation.h"
#include "core/GameInstall.h"
#include "core/Settings.h"
#include "gui/ColouredText.h"
#include "testsupport/GameFolders.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace fragdeck;

namespace
{

QByteArray statusReply(const QByteArray& players)
{
    return test::oob("statusResponse\n\\sv_hostname\\My Server\\mapname\\q3dm17\\sv_maxclients\\16"
                     "\\g_gametype\\0\n" +
                     players);
}

const QByteArray twoPlayers = "5 48 \"^1Fr^7ag\"\n0 999 \"Big ^4Bot\"\n";

void option(const char* key, const QString& value)
{
    SaveSetting("Fragdeck", "Options", key, value);
}

} // namespace

class TestBrowserWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void windowHasItsControls();
    void queryShowsServerPlayersAndRules();
    void serverWithoutPlayers();
    void addressForms_data();
    void addressForms();
    void queryRefusesWhatIsNotAnAddress_data();
    void queryRefusesWhatIsNotAnAddress();
    void portTooLargeIsReported();
    void noEngineWithoutConfigPath();
    void engineThatCannotBeCreated();
    void addressBookEditing();
    void closingKeepsAddedAddresses();
    void enterQueriesAndNamesShowTheirColours();
    void bookNotLoadedIsKeptOnReturn();
    void startConnectsTheGame();
    void startRefusesAnAddressThatIsNotOne();
    void startWithUnusableGamePath_data();
    void startWithUnusableGamePath();
    void componentShowsTheWindow();
    void realServer();

private:
    std::unique_ptr<test::TempStore> m_store;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString bookPath() const { return m_dir->filePath("addbook.dat"); }
};

void TestBrowserWindow::init()
{
    m_store = std::make_unique<test::TempStore>();
    m_dir = std::make_unique<QTemporaryDir>();
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
    option("ConfigPath", m_dir->filePath("baseq3/q3config.cfg"));
}

void TestBrowserWindow::cleanup()
{
    m_dir.reset();
    m_store.reset();
}

void TestBrowserWindow::windowHasItsControls()
{
    BrowserWindow w(bookPath());
    QCOMPARE(w.objectName(), QString("frm_main"));
    QCOMPARE(w.windowTitle(), QString("Fragdeck Server Browser"));
    const QList<QPair<QString, QString>> buttons{{"Command7", "Query"},
                                                 {"Command3", "Add new server address"},
                                                 {"Command4", "Remove current address"},
                                                 {"Command1", "&Start"},
                                                 {"Command2", "&Return"}};
    for (const auto& b : buttons) {
        auto* button = w.findChild<QPushButton*>(b.first);
        QVERIFY2(button, qPrintable(b.first));
        QCOMPARE(button->text(), b.second);
    }
    const QList<QPair<QString, QStringList>> lists{
        {"info_server", {"Server name", "Map", "Players"}},
        {"info_players", {"Name", "Ping", "Score"}},
        {"info_rules", {"Name", "Value"}}};
    for (const auto& l : lists) {
        auto* list = w.findChild<QTreeWidget*>(l.first);
        QVERIFY2(list, qPrintable(l.first));
        QStringList headers;
        for (int c = 0; c < list->columnCount(); ++c)
            headers.append(list->headerItem()->text(c));
        QCOMPARE(headers, l.second);
    }
    QVERIFY(w.engine());
}

void TestBrowserWindow::queryShowsServerPlayersAndRules()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(test::oob("getstatus"), {statusReply(twoPlayers)});
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText(QString("127.0.0.1:%1").arg(server.port()));
    w.findChild<QPushButton*>("Command7")->click();

    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(server.received, QList<QByteArray>{test::oob("getstatus info")});
    auto* info = w.findChild<QTreeWidget*>("info_server");
    QCOMPARE(info->topLevelItemCount(), 1);
    QCOMPARE(test::rowTexts(info, 0), (QStringList{"My Server", "q3dm17", "2/16"}));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QCOMPARE(players->topLevelItemCount(), 2);
    QCOMPARE(test::rowTexts(players, 0), (QStringList{"Frag", "48", "5"}));
    QCOMPARE(test::rowTexts(players, 1), (QStringList{"Big Bot", "999", "0"}));
    auto* rules = w.findChild<QTreeWidget*>("info_rules");
    QCOMPARE(rules->topLevelItemCount(), 4);
    QCOMPARE(test::rowTexts(rules, 0), (QStringList{"sv_hostname", "My Server"}));
    QCOMPARE(test::rowTexts(rules, 3), (QStringList{"g_gametype", "0"}));
    // The reply's map is shown at once, without picking a row.
    QVERIFY(w.mapPreview()->shown() != MapPreview::Shown::Nothing);

    // A second query replaces the rows instead of adding to them.
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(info->topLevelItemCount(), 1);
    QCOMPARE(players->topLevelItemCount(), 2);
    QCOMPARE(rules->topLevelItemCount(), 4);
}

void TestBrowserWindow::enterQueriesAndNamesShowTheirColours()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(test::oob("getstatus"),
                  {test::oob("statusResponse\n\\sv_hostname\\^1My ^7Server\\mapname\\q3dm17"
                             "\\sv_maxclients\\16\\challenge\\info\n" +
                             twoPlayers)});
    BrowserWindow w(bookPath());
    auto* combo = w.findChild<QComboBox*>("ipcombo");
    combo->setEditText(QString("127.0.0.1:%1").arg(server.port()));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(server.received, QList<QByteArray>{test::oob("getstatus info")});
    QCOMPARE(w.result(), 0); // Enter pressed no button that closes the window

    auto* info = w.findChild<QTreeWidget*>("info_server");
    QCOMPARE(test::rowTexts(info, 0), (QStringList{"My Server", "q3dm17", "2/16"}));
    QCOMPARE(info->topLevelItem(0)->data(0, ColouredTextDelegate::ColouredTextRole).toString(),
             QString("^1My ^7Server"));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QCOMPARE(players->topLevelItem(0)->data(0, ColouredTextDelegate::ColouredTextRole).toString(),
             QString("^1Fr^7ag"));
    // The echoed challenge is the request's, not a rule of the server.
    auto* rules = w.findChild<QTreeWidget*>("info_rules");
    QVERIFY(rules->findItems("challenge", Qt::MatchExactly).isEmpty());
    QCOMPARE(rules->topLevelItemCount(), 3);
}

void TestBrowserWindow::serverWithoutPlayers()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(test::oob("getstatus"), {statusReply("")});
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText(QString("127.0.0.1:%1").arg(server.port()));
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(test::rowTexts(w.findChild<QTreeWidget*>("info_server"), 0),
             (QStringList{"My Server", "q3dm17", "0/16"}));
    QCOMPARE(w.findChild<QTreeWidget*>("info_players")->topLevelItemCount(), 0);
    QCOMPARE(prompts.texts(), QStringList());
}

void TestBrowserWindow::addressForms_data()
{
    QTest::addColumn<QString>("address"); // %1: the server's port
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("answered");
    QTest::newRow("port") << "127.0.0.1:%1" << false << true;
    QTest::newRow("digits then junk") << "127.0.0.1:%1xyz" << false << true;
    // The whole text is the host: it does not resolve and nothing is sent.
    QTest::newRow("colon last") << "127.0.0.1:" << false << false;
    QTest::newRow("server silent") << "127.0.0.1:%1" << true << false;
}

void TestBrowserWindow::addressForms()
{
    QFETCH(QString, address);
    QFETCH(bool, silent);
    QFETCH(bool, answered);
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    if (!silent)
        server.answer(test::oob("getstatus"), {statusReply(twoPlayers)});
    BrowserWindow w(bookPath());
    // Rows of an earlier query go away even when the next one times out.
    w.findChild<QComboBox*>("ipcombo")->setEditText(
        address.contains("%1") ? address.arg(server.port()) : address);
    w.findChild<QPushButton*>("Command7")->click();
    auto* info = w.findChild<QTreeWidget*>("info_server");
    if (answered) {
        QCOMPARE(prompts.texts(), QStringList());
        QCOMPARE(info->topLevelItemCount(), 1);
        return;
    }
    QCOMPARE(prompts.texts(), QStringList{"Server time-out."});
    QCOMPARE(prompts.prompts[0].title, QString("Error"));
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    QCOMPARE(info->topLevelItemCount(), 0);
    QCOMPARE(w.findChild<QTreeWidget*>("info_players")->topLevelItemCount(), 0);
    if (!address.contains("%1"))
        QCOMPARE(server.received, QList<QByteArray>());
}

void TestBrowserWindow::queryRefusesWhatIsNotAnAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("command after it") << "127.0.0.1;quit";
    QTest::newRow("quote") << "127.0.0.1\"";
    QTest::newRow("blank inside") << "127.0.0.1 +map x";
}

void TestBrowserWindow::queryRefusesWhatIsNotAnAddress()
{
    QFETCH(QString, address);
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText(address);
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(prompts.texts(), QStringList{gameArgumentProblem("server address", address)});
    QVERIFY(!prompts.texts()[0].isEmpty());
    QVERIFY(!prompts.texts()[0].contains("time-out"));
}

void TestBrowserWindow::portTooLargeIsReported()
{
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText("127.0.0.1:99999999999");
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("99999999999"));
}

void TestBrowserWindow::noEngineWithoutConfigPath()
{
    option("ConfigPath", "");
    test::writeFile(bookPath(), "saved:1\r\n");
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(test::oob("getstatus"), {statusReply(twoPlayers)});
    BrowserWindow w(bookPath());
    QVERIFY(!w.engine());
    auto* combo = w.findChild<QComboBox*>("ipcombo");
    QCOMPARE(combo->count(), 0);
    combo->setEditText(QString("127.0.0.1:%1").arg(server.port()));
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("configuration file is not set"));
    QCOMPARE(server.received, QList<QByteArray>());
}

void TestBrowserWindow::engineThatCannotBeCreated()
{
    QVERIFY(unregisterComponentLibrary(test::builtComponent("scoutlink")));
    test::writeFile(bookPath(), "10.0.0.1\r\n");
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath()); // the book still loads
    QVERIFY(!w.engine());
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), QString("10.0.0.1"));
    w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].startsWith("The server query engine could not be started"));
}

void TestBrowserWindow::addressBookEditing()
{
    test::writeFile(bookPath(), "  10.0.0.1:27960  \r\n\r\n   \r\nq3.example.org\n10.0.0.2\r\n");
    test::PromptRecorder prompts;
    prompts.queue(Answer::Ok, "10.0.0.9:27000");
    prompts.queue(Answer::Ok, "10.0.0.9:27000");
    prompts.queueCancel();
    BrowserWindow w(bookPath());
    auto* combo = w.findChild<QComboBox*>("ipcombo");
    auto items = [combo] {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out.append(combo->itemText(i));
        return out;
    };
    QCOMPARE(items(), (QStringList{"10.0.0.1:27960", "q3.example.org", "10.0.0.2"}));
    QCOMPARE(combo->currentText(), QString("10.0.0.2"));

    auto* add = w.findChild<QPushButton*>("Command3");
    add->click();
    add->click();
    add->click(); // cancelled: nothing added
    QCOMPARE(prompts.prompts.size(), 3);
    QCOMPARE(prompts.prompts[0].kind, Prompt::Input);
    QCOMPARE(prompts.prompts[0].text, QString("Please give in the address of the Q3 server"));
    QCOMPARE(prompts.prompts[0].title, QString("Fragdeck"));
    QCOMPARE(prompts.prompts[0].defaultText, QString());
    QCOMPARE(items().size(), 5);
    QCOMPARE(combo->currentText(), QString("10.0.0.9:27000"));

    w.findChild<QPushButton*>("Command4")->click();
    QCOMPARE(items(),
             (QStringList{"10.0.0.1:27960", "q3.example.org", "10.0.0.2", "10.0.0.9:27000"}));
    QCOMPARE(combo->currentText(), QString("10.0.0.9:27000"));

    // Removal compares exactly, case included.
    combo->setEditText("Q3.EXAMPLE.ORG");
    w.findChild<QPushButton*>("Command4")->click();
    QCOMPARE(items().size(), 4);
    combo->setEditText("10.0.0.1:27960");
    w.findChild<QPushButton*>("Command4")->click();
    QCOMPARE(combo->currentText(), QString("10.0.0.1:27960"));
    QCOMPARE(test::readFile(bookPath()).count('\n'), 5); // nothing written before Return

    w.findChild<QPushButton*>("Command2")->click();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(test::readFile(bookPath()),
             QByteArray("q3.example.org\r\n10.0.0.2\r\n10.0.0.9:27000\r\n"));
}

void TestBrowserWindow::closingKeepsAddedAddresses()
{
    const QByteArray content = "a\r\n\r\nb\r\n";
    test::writeFile(bookPath(), content);
    test::PromptRecorder prompts;
    {
        // Closed unchanged: the book is not even rewritten.
        BrowserWindow w(bookPath());
        w.reject();
    }
    QCOMPARE(test::readFile(bookPath()), content);
    prompts.queue(Answer::Ok, "c");
    {
        // Closed by the title bar after an address was added: it is kept, as by Return.
        BrowserWindow w(bookPath());
        w.show();
        w.findChild<QPushButton*>("Command3")->click();
        w.close();
        QVERIFY(!w.isVisible());
    }
    const QByteArray afterClose = test::readFile(bookPath());
    QVERIFY2(afterClose.endsWith("b\r\nc\r\n"), afterClose.constData());
    {
        BrowserWindow w(bookPath());
        w.findChild<QPushButton*>("Command2")->click();
    }
    QCOMPARE(test::readFile(bookPath()), afterClose);

    // No book yet: Return creates it.
    QFile::remove(bookPath());
    prompts.queue(Answer::Ok, "c");
    BrowserWindow w(bookPath());
    QCOMPARE(w.findChild<QComboBox*>("ipcombo")->currentText(), QString());
    w.findChild<QPushButton*>("Command3")->click();
    w.findChild<QPushButton*>("Command2")->click();
    QCOMPARE(test::readFile(bookPath()), QByteArray("c\r\n"));
}

void TestBrowserWindow::bookNotLoadedIsKeptOnReturn()
{
    // Without "ConfigPath" the book is not loaded, so Return must not drop what it holds.
    option("ConfigPath", "");
    test::writeFile(bookPath(), "saved:1\r\n  \r\nsaved:2\r\n");
    test::PromptRecorder prompts;
    prompts.queue(Answer::Ok, "new:3");
    BrowserWindow w(bookPath());
    w.findChild<QPushButton*>("Command3")->click();
    w.findChild<QPushButton*>("Command2")->click();
    QCOMPARE(test::readFile(bookPath()), QByteArray("saved:1\r\nsaved:2\r\nnew:3\r\n"));
}

void TestBrowserWindow::startConnectsTheGame()
{
    const QString game = test::fakeProgram(m_dir->filePath("Games/Quake3/quake3"));
    option("Q3path", game);
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText("10.0.0.1:27960");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(processes.commandLines(), QStringList{game + " +connect 10.0.0.1:27960"});
    QCOMPARE(processes.requests[0].arguments, (QStringList{"+connect", "10.0.0.1:27960"}));
    QCOMPARE(processes.requests[0].workingFolder, m_dir->filePath("Games/Quake3/"));
    QCOMPARE(processes.requests[0].mode, WindowMode::NormalFocus);
}

void TestBrowserWindow::startRefusesAnAddressThatIsNotOne()
{
    const QString game = test::fakeProgram(m_dir->filePath("Games/Quake3/quake3"));
    option("Q3path", game);
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    for (const QString& address : {QString("1.2.3.4;quit"), QString("x +exec evil.cfg")}) {
        w.findChild<QComboBox*>("ipcombo")->setEditText(address);
        w.findChild<QPushButton*>("Command1")->click();
    }
    QVERIFY(processes.requests.isEmpty());
    QCOMPARE(prompts.prompts.size(), 2);
    QVERIFY(prompts.texts()[0].contains("ends a command"));
    QVERIFY(prompts.texts()[1].contains("a blank"));
}

void TestBrowserWindow::startWithUnusableGamePath_data()
{
    QTest::addColumn<QString>("q3path");
    QTest::newRow("empty") << "";
    QTest::newRow("short") << "q3";
    QTest::newRow("missing") << "/nonexistent/Quake3/quake3.exe";
}

void TestBrowserWindow::startWithUnusableGamePath()
{
    QFETCH(QString, q3path);
    option("Q3path", q3path);
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText("10.0.0.1");
    w.findChild<QPushButton*>("Command1")->click();
    QCOMPARE(processes.requests.size(), 0);
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(!prompts.texts()[0].isEmpty());
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
}

void TestBrowserWindow::componentShowsTheWindow()
{
    // The launcher's way in: the registered name, then Main, which returns when the window
    // closes. No "ConfigPath", so the program folder's address book is neither read nor written.
    option("ConfigPath", "");
    QCOMPARE(test::modalShownBy("beaconlist", "beaconlist.Class", "main"),
             QString("frm_main|Fragdeck Server Browser"));
}

void TestBrowserWindow::realServer()
{
    if (!test::RealGameServer::available())
        QSKIP("no dedicated game server on this machine");
    test::RealGameServer server;
    QVERIFY2(server.waitUntilReady(), qPrintable(server.log()));
    test::PromptRecorder prompts;
    BrowserWindow w(bookPath());
    w.findChild<QComboBox*>("ipcombo")->setEditText(QString("127.0.0.1:%1").arg(server.port()));
    auto* info = w.findChild<QTreeWidget*>("info_server");
    // The server answers status queries from one address about once a second; a query it
    // drops times out after 3 s, so asking again is paced by the time-out itself.
    for (int i = 0; i < 5 && info->topLevelItemCount() == 0; ++i)
        w.findChild<QPushButton*>("Command7")->click();
    QCOMPARE(test::rowTexts(info, 0), (QStringList{"Fragdeck Test", "oa_dm1", "2/12"}));
    auto* players = w.findChild<QTreeWidget*>("info_players");
    QStringList names{players->topLevelItem(0)->text(0), players->topLevelItem(1)->text(0)};
    names.sort();
    QCOMPARE(names, (QStringList{"Angelyss", "Arachna"}));
    QVERIFY(!w.findChild<QTreeWidget*>("info_rules")
                 ->findItems("sv_maxclients", Qt::MatchExactly)
                 .isEmpty());
}

QTEST_MAIN(TestBrowserWindow)
#include "test_browser_window.moc"
