#include "RconProtocol.h"
#include "RconWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "gui/Prompts.h"
#include "gui/StatusLists.h"
#include "testsupport/TestSupport.h"
#include "testsupport/UdpTestServer.h"

#include <QApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

using namespace fragdeck;

namespace
{

QByteArray statusReply()
{
    return test::oob("statusResponse\n\\sv_hostname\\Admin Box\\mapname\\q3dm6\\sv_maxclients\\16"
                     "\\g_gametype\\0\n5 48 \"^1Fr^7ag\"\n0 999 \"Big ^4Bot\"\n");
}

QByteArray rcon(const QByteArray& passwordAndCommand)
{
    return test::oob("rcon " + passwordAndCommand);
}

int countOf(const QList<QByteArray>& list, const QByteArray& datagram)
{
    return int(std::count(list.begin(), list.end(), datagram));
}

// The datagrams of the console socket, in order.
QList<QByteArray> consoleDatagrams(const test::UdpTestServer& server)
{
    QList<QByteArray> out;
    for (const QByteArray& d : server.received)
        if (d.startsWith(test::oob("rcon ")))
            out.append(d);
    return out;
}

struct Window {
    RconWindow w;
    QLineEdit* text1 = w.findChild<QLineEdit*>("Text1");
    QLineEdit* text2 = w.findChild<QLineEdit*>("Text2");
    QLineEdit* text3 = w.findChild<QLineEdit*>("Text3");
    QPlainTextEdit* text4 = w.findChild<QPlainTextEdit*>("Text4");
    QLineEdit* rcom = w.findChild<QLineEdit*>("rcom");
    QPushButton* refresh = w.findChild<QPushButton*>("Command1");
    QPushButton* send = w.findChild<QPushButton*>("Command3");
    QTreeWidget* players = w.findChild<QTreeWidget*>("info_players");
    QMenu* kicker = w.findChild<QMenu*>("kicker");

    void target(quint16 port, const QString& password = "secret")
    {
        text1->setText("127.0.0.1");
        text2->setText(QString::number(port));
        text3->setText(password);
    }
};

// The prompts recorded and a loopback server that answers the status request.
struct AdminServer {
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    AdminServer() { server.answer(test::oob("getstatus"), {statusReply()}); }
};

// A window with its server (made first, so the window goes first). The console sends only
// once a refresh has found the server.
struct Console : AdminServer, Window {
    void refreshWith(const QString& password = "secret")
    {
        target(server.port(), password);
        refresh->click();
    }
    void sendCommand(const QString& command)
    {
        rcom->setText(command);
        send->click();
    }
};

} // namespace

class TestRconWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void windowHasItsControls();
    void ruleValuesGetTheRoom_data();
    void ruleValuesGetTheRoom();
    void messageBoxesOpenOverTheirWindow();
    void refreshShowsTheServer();
    void refreshTimeOut();
    void sendPutsTheExactDatagramAndRefreshes_data();
    void sendPutsTheExactDatagramAndRefreshes();
    void enterInRcomSendsOnceAndRefreshesOnce();
    void repliesAreAppended();
    void longOutputInSeveralDatagrams();
    void colourCodesAreDrawn();
    void warningReplies_data();
    void warningReplies();
    void otherSendersAreIgnored();
    void rightClickAndKick_data();
    void rightClickAndKick();
    void kickRefreshesThePlayers();
    void targetIsRemembered();
    void rightClickBelowTheLastRow();
    void unusableTarget_data();
    void unusableTarget();
    void sendBeforeRefresh();
    void noEngineWithoutConfigPath();
    void componentShowsTheWindow();

private:
    std::unique_ptr<test::TempStore> m_store;
};

void TestRconWindow::init()
{
    m_store = std::make_unique<test::TempStore>();
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
    SaveSetting("Fragdeck", "Options", "ConfigPath", "/games/q3/baseq3/q3config.cfg");
}

void TestRconWindow::cleanup()
{
    m_store.reset();
}

void TestRconWindow::windowHasItsControls()
{
    Window f;
    QCOMPARE(f.w.objectName(), QString("Form1"));
    QCOMPARE(f.w.windowTitle(), QString("Remote Admin"));
    QVERIFY(f.text1 && f.text2 && f.text3 && f.text4 && f.rcom && f.players && f.kicker);
    QCOMPARE(f.text3->echoMode(), QLineEdit::Password);
    QCOMPARE(f.refresh->text(), QString("&Refresh"));
    QCOMPARE(f.send->text(), QString("&Send"));
    QCOMPARE(f.kicker->title(), QString("Kicker"));
    QCOMPARE(f.kicker->actions().size(), 1);
    QCOMPARE(f.kicker->actions()[0]->objectName(), QString("kick"));
    QCOMPARE(f.kicker->actions()[0]->text(), QString("&Kick"));
    QVERIFY(f.w.findChild<QObject*>("Winsock1"));
    QVERIFY(f.w.engine());
}

void TestRconWindow::refreshShowsTheServer()
{
    Console f;
    f.refreshWith();
    QCOMPARE(f.prompts.texts(), QStringList());
    QCOMPARE(f.server.received, QList<QByteArray>{test::oob("getstatus info")});
    auto* info = f.w.findChild<QTreeWidget*>("info_server");
    QCOMPARE(info->topLevelItem(0)->text(2), QString("2/16"));
    QCOMPARE(info->topLevelItem(0)->text(0), QString("Admin Box"));
    QCOMPARE(f.players->topLevelItemCount(), 2);
    QCOMPARE(f.players->topLevelItem(1)->text(0), QString("Big Bot"));
    QCOMPARE(f.w.findChild<QTreeWidget*>("info_rules")->topLevelItemCount(), 4);
}

void TestRconWindow::refreshTimeOut()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    Window f;
    f.target(server.port());
    f.refresh->click();
    QCOMPARE(prompts.texts(), QStringList{"Server time-out."});
    QCOMPARE(prompts.titles(), QStringList{"Error"});
    QCOMPARE(f.players->topLevelItemCount(), 0);
}

void TestRconWindow::sendPutsTheExactDatagramAndRefreshes_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("status") << "secret"
                            << "status" << rcon("secret status");
    QTest::newRow("empty password") << ""
                                    << "status" << rcon(" status");
    QTest::newRow("blanks") << "pw"
                            << "say hello  all" << rcon("pw say hello  all");
}

void TestRconWindow::sendPutsTheExactDatagramAndRefreshes()
{
    QFETCH(QString, password);
    QFETCH(QString, command);
    QFETCH(QByteArray, datagram);
    Console f;
    f.refreshWith(password);
    f.sendCommand(command);
    QCOMPARE(consoleDatagrams(f.server), QList<QByteArray>{datagram});
    QCOMPARE(countOf(f.server.received, test::oob("getstatus info")), 2);
    QCOMPARE(f.rcom->text(), command);
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::enterInRcomSendsOnceAndRefreshesOnce()
{
    Console f;
    f.w.show();
    f.refreshWith();
    f.rcom->setText("status");
    f.rcom->setFocus();
    QTest::keyClick(f.rcom, Qt::Key_Return);
    QCOMPARE(consoleDatagrams(f.server), QList<QByteArray>{rcon("secret status")});
    QCOMPARE(countOf(f.server.received, test::oob("getstatus info")), 2);
    QTest::keyClick(f.rcom, Qt::Key_Enter);
    QCOMPARE(consoleDatagrams(f.server).size(), 2);
    QCOMPARE(countOf(f.server.received, test::oob("getstatus info")), 3);
    QVERIFY(f.w.isVisible()); // Enter did not close the window either
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::repliesAreAppended()
{
    Console f;
    f.server.answer(rcon("secret status"), {test::oob("print\nmap: q3dm6\n")});
    f.server.answer(rcon("secret say"), {test::oob("print\nsaid")});
    f.refreshWith();
    f.sendCommand("status");
    QTRY_COMPARE(f.text4->toPlainText(), QString("map: q3dm6\n"));
    f.sendCommand("say");
    // Only the printed text; a reply that does not end its line gets a line end.
    QTRY_COMPARE(f.text4->toPlainText(), QString("map: q3dm6\nsaid\n"));
    QCOMPARE(f.text4->textCursor().position(), f.text4->document()->characterCount() - 1);
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::longOutputInSeveralDatagrams()
{
    // A long answer comes as several ~1 KB datagrams, each with its own header, cut in the
    // middle of a line; the console shows it joined, as the game's own console does.
    QByteArray text;
    for (int i = 0; i < 100; ++i)
        text += "cvar_number_" + QByteArray::number(i) + " \"some value here\"\n";
    QList<QByteArray> parts;
    for (qsizetype at = 0; at < text.size(); at += 1000)
        parts.append(test::oob("print\n" + text.mid(at, 1000)));
    QVERIFY(parts.size() >= 3);
    Console f;
    f.server.answer(rcon("secret cvarlist"), parts);
    QSignalSpy replies(f.w.replies(), &RconReplyJoiner::replyComplete);
    f.refreshWith();
    f.sendCommand("cvarlist");
    QTRY_COMPARE(f.text4->toPlainText(), QString::fromLatin1(text));
    QCOMPARE(replies.count(), 1);
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::colourCodesAreDrawn()
{
    Console f;
    f.server.answer(rcon("secret status"), {test::oob("print\n^1Red^7 plain\n")});
    f.refreshWith();
    f.sendCommand("status");
    QTRY_COMPARE(f.text4->toPlainText(), QString("Red plain\n"));
    QTextCursor at(f.text4->document());
    at.setPosition(1); // the format of the character before the cursor: "R"
    QCOMPARE(at.charFormat().foreground().color(), QColor(Qt::red));
    at.setPosition(5); // " " after "Red", white: the console's own text colour
    QCOMPARE(at.charFormat().foreground().color(), f.text4->palette().color(QPalette::Text));
}

void TestRconWindow::warningReplies_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString bad = "You supplied a bad RCON password";
    QTest::newRow("bad password, older servers")
        << "wrong" << test::oob("print\nBad rcon_password.\n") << bad << "Bad RCON password";
    QTest::newRow("bad password, current servers")
        << "wrong" << test::oob("print\nBad rconpassword.\n") << bad << "Bad RCON password";
    QTest::newRow("bad password in the middle")
        << "wrong" << test::oob("print\nsome text Bad rcon_password more text\n") << bad
        << "Bad RCON password";
    QTest::newRow("empty reply") << "secret" << QByteArray()
                                 << "The server did not respond to sent packet"
                                 << "Server did not respond";
}

void TestRconWindow::warningReplies()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QFETCH(QString, title);
    Console f;
    f.server.answer(rcon(password.toLatin1() + " status"), {reply});
    f.refreshWith(password);
    f.sendCommand("status");
    QVERIFY(test::spinUntil([&] { return !f.prompts.prompts.isEmpty(); }));
    QCOMPARE(f.prompts.texts(), QStringList{text});
    QCOMPARE(f.prompts.titles(), QStringList{title});
    QCOMPARE(f.prompts.prompts[0].icon, Icon::Warning);
    QCOMPARE(f.text4->toPlainText(), QString());
}

void TestRconWindow::otherSendersAreIgnored()
{
    Console f;
    f.server.answer(rcon("secret status"), {test::oob("print\nreal\n")});
    f.refreshWith();
    f.sendCommand("status");
    QVERIFY(test::spinUntil([&] { return f.text4->toPlainText().contains("real"); }));
    // A datagram from anywhere else, sent before the server's next answer.
    QUdpSocket probe;
    const auto* sock = f.w.findChild<QUdpSocket*>("Winsock1");
    probe.writeDatagram(test::oob("print\nfake\n"), QHostAddress::LocalHost, sock->localPort());
    f.send->click();
    QVERIFY(test::spinUntil([&] { return f.text4->toPlainText().count("real") == 2; }));
    QVERIFY(!f.text4->toPlainText().contains("fake"));
}

void TestRconWindow::rightClickAndKick_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("colour codes removed") << 0 << "Frag" << rcon("secret kick Frag");
    QTest::newRow("name with a blank") << 1 << "Big Bot" << rcon("secret kick \"Big Bot\"");
}

void TestRconWindow::rightClickAndKick()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QByteArray, datagram);
    Console f;
    f.w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    f.refreshWith();
    QCOMPARE(f.players->topLevelItemCount(), 2);
    const QPoint at = f.players->visualItemRect(f.players->topLevelItem(row)).center();
    // Only the right button offers the menu.
    QTest::mouseClick(f.players->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(!f.kicker->isVisible());
    QTest::mouseClick(f.players->viewport(), Qt::RightButton, {}, at);
    QVERIFY(f.kicker->isVisible());
    QCOMPARE(f.w.kickName(), name);
    f.kicker->actions()[0]->trigger();
    f.kicker->close();
    QVERIFY(test::spinUntil([&] { return !consoleDatagrams(f.server).isEmpty(); }));
    QCOMPARE(consoleDatagrams(f.server), QList<QByteArray>{datagram});
    // The player list is asked for again once the kick has gone out.
    QTRY_COMPARE(countOf(f.server.received, test::oob("getstatus info")), 2);
    QCOMPARE(f.server.received.last(), test::oob("getstatus info"));
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::kickRefreshesThePlayers()
{
    Console f;
    bool kicked = false;
    f.server.responder = [&kicked](const QByteArray& request) -> QList<QByteArray> {
        if (request.startsWith(rcon("secret kick")))
            kicked = true;
        if (!request.startsWith(test::oob("getstatus")))
            return {};
        return {kicked ? test::oob("statusResponse\n\\sv_hostname\\Admin Box\\mapname\\q3dm6"
                                   "\\sv_maxclients\\16\n0 999 \"Big ^4Bot\"\n")
                       : statusReply()};
    };
    f.w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    f.refreshWith();
    QCOMPARE(f.players->topLevelItemCount(), 2);
    QTest::mouseClick(f.players->viewport(), Qt::RightButton, {},
                      f.players->visualItemRect(f.players->topLevelItem(0)).center());
    QVERIFY(f.kicker->isVisible());
    f.kicker->actions()[0]->trigger();
    f.kicker->close();
    QCOMPARE(f.players->topLevelItemCount(), 1);
    QCOMPARE(f.players->topLevelItem(0)->text(0), QString("Big Bot"));
    QCOMPARE(f.prompts.texts(), QStringList());
}

void TestRconWindow::targetIsRemembered()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(test::oob("getstatus"), {statusReply()});
    {
        Window f;
        // The game's port until the player gives another.
        QCOMPARE(f.text1->text(), QString());
        QCOMPARE(f.text2->text(), QString("27960"));
        f.target(server.port(), "NeverStoreThis");
        f.refresh->click();
    }
    Window again;
    QCOMPARE(again.text1->text(), QString("127.0.0.1"));
    QCOMPARE(again.text2->text(), QString::number(server.port()));
    QCOMPARE(again.text3->text(), QString());
    // The password is in no file of the store.
    QDirIterator files(m_store->folder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int read = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains("NeverStoreThis"), qPrintable(file.fileName()));
        ++read;
    }
    QVERIFY(read > 0);
    QCOMPARE(prompts.texts(), QStringList());
}

void TestRconWindow::rightClickBelowTheLastRow()
{
    Console f;
    f.w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    f.refreshWith();
    QWidget* viewport = f.players->viewport();
    const QRect last = f.players->visualItemRect(f.players->topLevelItem(1));
    QVERIFY(last.bottom() + 10 < viewport->height());
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(last.center().x(), last.bottom() + 8));
    QVERIFY(!f.kicker->isVisible());
    QCOMPARE(f.w.kickName(), QString());
}

void TestRconWindow::unusableTarget_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("empty port") << "127.0.0.1"
                                << "";
    QTest::newRow("letters") << "127.0.0.1"
                             << "abc";
    QTest::newRow("digits then letters") << "127.0.0.1"
                                         << "27960x";
    QTest::newRow("too large") << "127.0.0.1"
                               << "70000";
    QTest::newRow("no host") << ""
                             << "27960";
}

void TestRconWindow::unusableTarget()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    Window f;
    f.text1->setText(host);
    f.text2->setText(port);
    f.refresh->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    // Still no target: a send is refused with its own message, and nothing leaves.
    f.rcom->setText("status");
    f.send->click();
    QCOMPARE(prompts.prompts.size(), 2);
    QVERIFY(prompts.texts()[1].contains("Refresh"));
    QCOMPARE(server.received, QList<QByteArray>());
}

void TestRconWindow::sendBeforeRefresh()
{
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    Window f;
    f.target(server.port());
    f.rcom->setText("status");
    f.send->click();
    QTest::keyClick(f.rcom, Qt::Key_Return);
    QCOMPARE(prompts.prompts.size(), 2);
    QVERIFY(prompts.texts()[0].contains("Refresh"));
    // Nothing was on its way: after a refresh, the first command to reach the server is
    // the one sent then.
    f.refresh->click();
    f.rcom->setText("serverinfo");
    f.send->click();
    QTRY_VERIFY(server.received.contains(rcon("secret serverinfo")));
    for (const QByteArray& d : server.received)
        QVERIFY2(!d.contains("rcon") || d == rcon("secret serverinfo"), d.constData());
}

void TestRconWindow::noEngineWithoutConfigPath()
{
    SaveSetting("Fragdeck", "Options", "ConfigPath", "");
    test::PromptRecorder prompts;
    test::UdpTestServer server;
    server.answer(rcon("secret status"), {test::oob("print\nok\n")});
    Window f;
    QVERIFY(!f.w.engine());
    f.target(server.port());
    f.refresh->click();
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("configuration file is not set"));
    // The console still works; the refresh after it stays quiet.
    f.rcom->setText("status");
    f.send->click();
    QVERIFY(test::spinUntil([&] { return f.text4->toPlainText().contains("ok"); }));
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(server.received, QList<QByteArray>{rcon("secret status")});
}

void TestRconWindow::componentShowsTheWindow()
{
    QCOMPARE(test::modalShownBy("wardhold", "wardhold.class", "MAIN"),
             QString("Form1|Remote Admin"));
}

QTEST_MAIN(TestRconWindow)
void TestRconWindow::ruleValuesGetTheRoom_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("short") << "g_gametype"
                           << "4";
    QTest::newRow("a long name") << QString(60, u'n') << "ioq3 1.36_GIT linux-x86_64";
    QTest::newRow("markup in the value") << "sv_hostname"
                                         << "<b>^1Red</b> & <img src=x>";
}

void TestRconWindow::ruleValuesGetTheRoom()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QWidget host;
    host.resize(420, 300);
    StatusLists lists = StatusLists::create(&host);
    lists.rules->setGeometry(0, 0, 420, 300);
    host.show();
    ServerStatus status;
    status.rules = {{name, value}, {"version", "ioq3 1.36_GIT_70d07d9 linux-x86_64 Nov 23 2022"}};
    lists.show(status);
    QTreeWidget* rules = lists.rules;
    // The value has at least half the list, whatever the names' length.
    QVERIFY2(rules->columnWidth(1) >= rules->viewport()->width() / 2 - 1,
             qPrintable(QString::number(rules->columnWidth(1))));
    QCOMPARE(rules->topLevelItem(0)->text(1), value);
    const QString tip = rules->topLevelItem(0)->toolTip(1);
    QCOMPARE(tip, "<qt>" + value.toHtmlEscaped() + "</qt>");
}

void TestRconWindow::messageBoxesOpenOverTheirWindow()
{
    QWidget window;
    window.setGeometry(600, 400, 500, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPoint centre;
    test::onNextModal([&](QWidget* box) {
        centre = box->geometry().center();
        box->close();
    });
    messageBox("Centred?", "Title", Buttons::Ok, Icon::None, &window);
    const QPoint want = window.frameGeometry().center();
    QVERIFY2((centre - want).manhattanLength() < 12, qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                                                    .arg(centre.x())
                                                                    .arg(centre.y())
                                                                    .arg(want.x())
                                                                    .arg(want.y())));
}

#include "test_rcon_window.moc"
