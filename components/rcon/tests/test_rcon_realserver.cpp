// The remote admin against a real dedicated server: what real servers answer is what the
// window must understand.
#include "RconProtocol.h"
#include "RconWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "testsupport/RealGameServer.h"
#include "testsupport/TestSupport.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;

class TestRconRealServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void adminSession();
    void longRepliesAreJoined();

private:
    QStringList playerNames() const;
    // Refreshes until the player list satisfies done (the server needs a few frames).
    bool refreshUntil(const std::function<bool(const QStringList&)>& done);

    test::TempStore m_store;
    std::unique_ptr<test::RealGameServer> m_server;
    std::unique_ptr<RconWindow> m_window;
};

void TestRconRealServer::initTestCase()
{
    if (!test::RealGameServer::available())
        QSKIP("no dedicated game server on this machine");
    QCOMPARE(test::registerBuiltComponent("scoutlink"), QString());
    SaveSetting("Fragdeck", "Options", "ConfigPath", "/games/q3/baseq3/q3config.cfg");
    m_server = std::make_unique<test::RealGameServer>("fragtest");
    QVERIFY2(m_server->waitUntilReady(), qPrintable(m_server->log()));
}

QStringList TestRconRealServer::playerNames() const
{
    auto* players = m_window->findChild<QTreeWidget*>("info_players");
    QStringList names;
    for (int i = 0; i < players->topLevelItemCount(); ++i)
        names.append(players->topLevelItem(i)->text(0));
    return names;
}

bool TestRconRealServer::refreshUntil(const std::function<bool(const QStringList&)>& done)
{
    auto* refresh = m_window->findChild<QPushButton*>("Command1");
    for (int i = 0; i < 40; ++i) {
        refresh->click();
        // The server answers a status query from one address about once a second; one it
        // drops times out after 3 s, which paces the next.
        if (done(playerNames()))
            return true;
    }
    return false;
}

void TestRconRealServer::adminSession()
{
    test::PromptRecorder prompts;
    m_window = std::make_unique<RconWindow>();
    RconWindow& w = *m_window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* text3 = w.findChild<QLineEdit*>("Text3");
    auto* text4 = w.findChild<QPlainTextEdit*>("Text4");
    auto* rcom = w.findChild<QLineEdit*>("rcom");
    auto* send = w.findChild<QPushButton*>("Command3");
    auto* players = w.findChild<QTreeWidget*>("info_players");
    w.findChild<QLineEdit*>("Text1")->setText("127.0.0.1");
    w.findChild<QLineEdit*>("Text2")->setText(QString::number(m_server->port()));

    QVERIFY(refreshUntil([](const QStringList& n) { return n.size() == 2; }));
    QCOMPARE(w.findChild<QTreeWidget*>("info_server")->topLevelItem(0)->text(2), QString("2/12"));
    QCOMPARE(w.findChild<QTreeWidget*>("info_server")->topLevelItem(0)->text(1), QString("oa_dm1"));

    // A wrong password: the server answers "Bad rconpassword."
    text3->setText("wrong");
    rcom->setText("status");
    send->click();
    QVERIFY(test::spinUntil(
        [&] { return prompts.texts().contains("You supplied a bad RCON password"); }));
    QCOMPARE(text4->toPlainText(), QString());
    prompts.clear();

    text3->setText("fragtest");
    send->click();
    QVERIFY(test::spinUntil([&] { return text4->toPlainText().contains("oa_dm1"); }));

    // A player whose name holds a blank, kicked from the menu.
    rcom->setText("addbot Arachna 1 free 0 \"Big Bot\"");
    send->click();
    QVERIFY2(refreshUntil([](const QStringList& n) { return n.contains("Big Bot"); }),
             qPrintable(playerNames().join(',') + '\n' + text4->toPlainText()));
    QTreeWidgetItem* row = players->findItems("Big Bot", Qt::MatchExactly).value(0);
    QVERIFY(row);
    QTest::mouseClick(players->viewport(), Qt::RightButton, {},
                      players->visualItemRect(row).center());
    auto* kicker = w.findChild<QMenu*>("kicker");
    QVERIFY(kicker->isVisible());
    kicker->actions()[0]->trigger();
    kicker->close();
    QVERIFY2(
        refreshUntil([](const QStringList& n) { return n.size() == 2 && !n.contains("Big Bot"); }),
        qPrintable(playerNames().join(',') + '\n' + text4->toPlainText()));
    // Status queries the server dropped under its rate limit end as time-outs; nothing else.
    QCOMPARE(prompts.texts().filter("Server time-out.").size(), prompts.texts().size());
    QVERIFY(!text4->toPlainText().contains("Usage: kick"));
    m_window.reset();
}

void TestRconRealServer::longRepliesAreJoined()
{
    test::PromptRecorder prompts;
    RconWindow w;
    auto* text4 = w.findChild<QPlainTextEdit*>("Text4");
    auto* rcom = w.findChild<QLineEdit*>("rcom");
    auto* send = w.findChild<QPushButton*>("Command3");
    w.findChild<QLineEdit*>("Text1")->setText("127.0.0.1");
    w.findChild<QLineEdit*>("Text2")->setText(QString::number(m_server->port()));
    w.findChild<QLineEdit*>("Text3")->setText("fragtest");
    QSignalSpy replies(w.replies(), &RconReplyJoiner::replyComplete);
    w.findChild<QPushButton*>("Command1")->click(); // sets the console's target

    // cvarlist: about ten datagrams cut anywhere, ending in "N total cvars".
    rcom->setText("cvarlist");
    send->click();
    QTRY_VERIFY_WITH_TIMEOUT(text4->toPlainText().contains(" cvar indexes\n"), 10000);
    QCOMPARE(replies.count(), 1);
    const QString list = text4->toPlainText();
    QVERIFY2(!list.contains(QChar(0xff)) && !list.contains("print\n"), qPrintable(list));
    const QStringList lines = list.split('\n');
    static const QRegularExpression total("^(\\d+) total cvars$");
    qsizetype end = -1;
    int cvars = 0;
    for (qsizetype i = 0; i < lines.size() && end < 0; ++i) {
        const auto m = total.match(lines[i]);
        if (m.hasMatch())
            end = i, cvars = m.captured(1).toInt();
    }
    QVERIFY2(end > 0 && cvars > 100, qPrintable(list));
    // One line per cvar: no line was cut where a datagram ended.
    QStringList listed = lines.mid(0, end);
    listed.removeAll(QString());
    QCOMPARE(listed.size(), cvars);
    for (const QString& line : listed)
        QVERIFY2(line.endsWith('"') && line.contains(" \""), qPrintable(line));

    // serverinfo: two datagrams.
    text4->clear();
    rcom->setText("serverinfo");
    send->click();
    QTRY_VERIFY_WITH_TIMEOUT(replies.count() == 2, 10000);
    const QString info = text4->toPlainText();
    QVERIFY2(info.startsWith("Server info settings:\n"), qPrintable(info));
    QCOMPARE(info.count("Server info settings:"), 1);
    static const QRegularExpression pair("^\\w+ +\\S.*$|^\\w+ *$");
    const QStringList infoLines = info.split('\n', Qt::SkipEmptyParts).mid(1);
    QVERIFY(infoLines.size() > 20);
    for (const QString& line : infoLines)
        QVERIFY2(pair.match(line).hasMatch(), qPrintable(line));
    QVERIFY2(info.contains(QRegularExpression("\nmapname +oa_dm1\n")), qPrintable(info));
    // The host name's colour codes are drawn, not shown.
    QVERIFY2(info.contains(QRegularExpression("\nsv_hostname +Fragdeck Test\n")), qPrintable(info));
    // Status queries the server dropped under its rate limit end as time-outs; nothing else.
    QCOMPARE(prompts.texts().filter("Server time-out.").size(), prompts.texts().size());
}

QTEST_MAIN(TestRconRealServer)
#include "test_rcon_realserver.moc"
