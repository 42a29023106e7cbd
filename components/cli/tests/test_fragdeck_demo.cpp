// fragdeck-demo: its arguments and output, and the program itself on demo files and
// archive members made by the test (and on OpenArena's own demos where installed).
#include "DemoCli.h"
#include "testsupport/DemoWriter.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::cli;

namespace
{

using Run = test::ProgramRun;

Run runDemo(const QStringList& args)
{
    return test::runCommandLine(FRAGDECK_DEMO, args);
}

const QString kOpenArena = QStringLiteral("/usr/share/games/openarena/baseoa/");

} // namespace

class TestFragdeckDemo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void arguments_data();
    void arguments();
    void targets();
    void plainLine();
    void programPlain();
    void programJson();
    void programUsage_data();
    void programUsage();
    void openArenaDemos();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_loose, m_pk3;
};

void TestFragdeckDemo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_loose = test::writeFile(
        m_dir->filePath("demos/first.dm_68"),
        test::simpleDemo("q3dm17", "^1Big ^7Server", {{"^3Rec", 0}, {"Bob", 3}}, 125000));
    test::DemoWriter ctf;
    ctf.gameState(test::standardStrings("ctf1", "CTF", 4, 71, {{"Ann", 1}, {"Ben", 2}}), 1, 2);
    ctf.message({{3, "cs 6 \"4\""}, {4, "cs 7 \"2\""}}, 1000);
    ctf.message({}, 31000);
    m_pk3 = m_dir->filePath("pak9.pk3");
    QVERIFY(test::writeZip(m_pk3, {{"demos/ctf.dm_71", ctf.bytes()}, {"demos/bad.dm_68", "bad"}}));
}

void TestFragdeckDemo::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("files") << QStringList{"a.dm_68", "b.dm3"} << true << false
                           << QStringList{"a.dm_68", "b.dm3"};
    QTest::newRow("json") << QStringList{"--json", "a.dm_68"} << true << true
                          << QStringList{"a.dm_68"};
    QTest::newRow("a file named like an option")
        << QStringList{"--", "--json"} << true << false << QStringList{"--json"};
    QTest::newRow("nothing") << QStringList{} << false << false << QStringList{};
    QTest::newRow("unknown option")
        << QStringList{"--fast", "a.dm_68"} << false << false << QStringList{};
    QTest::newRow("help alone") << QStringList{"--help"} << true << false << QStringList{};
}

void TestFragdeckDemo::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(bool, json);
    QFETCH(QStringList, files);
    DemoOptions o;
    QString error;
    QCOMPARE(parseDemoArguments(args, &o, &error), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(o.json, json);
    QCOMPARE(o.files, files);
}

void TestFragdeckDemo::targets()
{
    archive::DemoSource t;
    QVERIFY(parseDemoTarget(m_loose, &t));
    QCOMPARE(t.file, m_loose);
    QVERIFY(parseDemoTarget(m_pk3 + ":demos/ctf.dm_71", &t));
    QCOMPARE(t.archive, m_pk3);
    QCOMPARE(t.member, QStringLiteral("demos/ctf.dm_71"));
    QVERIFY(t.file.isEmpty());
    // A folder with a ":" in its name is part of the archive's path.
    const QString odd = m_dir->filePath("a:b/pak.pk3");
    QVERIFY(test::writeZip(odd, {{"demos/x.dm_68", "x"}}));
    QVERIFY(parseDemoTarget(odd + ":demos/x.dm_68", &t));
    QCOMPARE(t.archive, odd);
    QVERIFY(!parseDemoTarget(m_dir->filePath("none.dm_68"), &t));
    QVERIFY(!parseDemoTarget(m_pk3 + ":", &t));
    QString error;
    QVERIFY(!parseDemoTarget(QString(), &t, &error));
    QCOMPARE(error, QStringLiteral("no such file"));
}

void TestFragdeckDemo::plainLine()
{
    DemoResult r;
    r.file = "x\t%1.dm_68";
    r.info.readable = true;
    r.info.protocol = 68;
    r.info.map = "q3dm1";
    r.info.server = "^1%2 srv";
    r.info.gameType = 1;
    r.info.players = {{0, "^2A\nB", 0, false}, {1, "C", 0, true}};
    r.info.recorder = "^2A\nB";
    QCOMPARE(formatDemoPlain(r),
             QStringLiteral("x?%1.dm_68\t68\tq3dm1\t%2 srv\tTournament\t?\t2\tA?B, C\tA?B\n"));
    r.info.readable = false;
    r.info.error = "not a readable demo: it\nbroke";
    QCOMPARE(formatDemoPlain(r),
             QStringLiteral("x?%1.dm_68\terror\tnot a readable demo: it?broke\n"));
}

void TestFragdeckDemo::programPlain()
{
    const Run r = runDemo({m_loose, m_pk3 + ":demos/ctf.dm_71"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out),
             m_loose + "\t68\tq3dm17\tBig Server\tFree For All\t2:05\t2\tRec, Bob\tRec\n" + m_pk3 +
                 ":demos/ctf.dm_71\t71\tctf1\tCTF\tCapture the Flag\t0:30\t2\tAnn, Ben\tBen\n");
    QCOMPARE(r.err, QByteArray());
}

void TestFragdeckDemo::programJson()
{
    const QString missing = m_dir->filePath("gone.dm_68");
    const Run r = runDemo({"--json", m_loose, m_pk3 + ":demos/ctf.dm_71",
                           m_pk3 + ":demos/bad.dm_68", missing, m_pk3 + ":demos/none.dm_68"});
    QCOMPARE(r.exitCode, 1);
    QJsonParseError e;
    const QJsonArray a = QJsonDocument::fromJson(r.out, &e).array();
    QCOMPARE(e.error, QJsonParseError::NoError);
    QCOMPARE(a.size(), 5);
    const QJsonObject first = a[0].toObject();
    QCOMPARE(first["file"].toString(), m_loose);
    QCOMPARE(first["protocol"].toInt(), 68);
    QCOMPARE(first["map"].toString(), QStringLiteral("q3dm17"));
    QCOMPARE(first["server"].toString(), QStringLiteral("^1Big ^7Server"));
    QCOMPARE(first["gametype"].toInt(), 0);
    QCOMPARE(first["players"].toArray(), (QJsonArray{"^3Rec", "Bob"}));
    QCOMPARE(first["recorder"].toString(), QStringLiteral("^3Rec"));
    QCOMPARE(first["duration_ms"].toInt(), 125000);
    QCOMPARE(first["player_details"].toArray()[1].toObject()["team"].toString(),
             QStringLiteral("spectator"));
    QVERIFY(!first.contains("score"));
    QVERIFY(!first.contains("error"));
    const QJsonObject ctf = a[1].toObject();
    QCOMPARE(ctf["score"].toObject(), (QJsonObject{{"red", 4}, {"blue", 2}}));
    QCOMPARE(ctf["duration_ms"].toInt(), 30000);
    QVERIFY(a[2].toObject()["error"].toString().startsWith("not a readable demo"));
    QCOMPARE(a[3].toObject()["error"].toString(), QStringLiteral("no such file"));
    QVERIFY(a[4].toObject()["error"].toString().contains("holds no member"));
    QCOMPARE(a[4].toObject().keys(), (QStringList{"error", "file"}));
}

void TestFragdeckDemo::programUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stream");
    QTest::newRow("no arguments") << QStringList{} << 2 << "err";
    QTest::newRow("unknown option") << QStringList{"--bogus", "x.dm_68"} << 2 << "err";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "out";
}

void TestFragdeckDemo::programUsage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, stream);
    const Run r = runDemo(args);
    QCOMPARE(r.exitCode, exitCode);
    const QByteArray& text = stream == "out" ? r.out : r.err;
    QVERIFY2(text.contains("Usage: fragdeck-demo"), text.constData());
}

void TestFragdeckDemo::openArenaDemos()
{
    const QStringList archives = {"pak6-misc.pk3", "pak6-patch088.pk3"};
    for (const QString& a : archives)
        if (!QFileInfo::exists(kOpenArena + a))
            QSKIP(qPrintable("OpenArena's demos are not installed (" + kOpenArena + a +
                             " is missing; scripts/install-deps installs them)"));
    const QStringList demos = {"pak6-misc.pk3:demos/flyby_compromise.dm_70",
                               "pak6-misc.pk3:demos/stress_sago.dm_70",
                               "pak6-patch088.pk3:demos/demo088-test1.dm_71"};
    QStringList args{"--json"};
    for (const QString& d : demos)
        args.append(kOpenArena + d);
    const Run r = runDemo(args);
    QCOMPARE(r.exitCode, 0);
    const QJsonArray a = QJsonDocument::fromJson(r.out).array();
    QCOMPARE(a.size(), 3);
    QCOMPARE(a[0].toObject()["map"].toString(), QStringLiteral("CTF_COMPROMISE"));
    QCOMPARE(a[0].toObject()["protocol"].toInt(), 70);
    QCOMPARE(a[1].toObject()["map"].toString(), QStringLiteral("oasago2"));
    QCOMPARE(a[1].toObject()["players"].toArray().size(), 24);
    QCOMPARE(a[2].toObject()["map"].toString(), QStringLiteral("oa_shouse"));
    QCOMPARE(a[2].toObject()["protocol"].toInt(), 71);
    QCOMPARE(a[2].toObject()["recorder"].toString(), QStringLiteral("Test Player"));
    QCOMPARE(a[2].toObject()["duration_ms"].toInt(), 169900);
}

QTEST_GUILESS_MAIN(TestFragdeckDemo)
#include "test_fragdeck_demo.moc"
