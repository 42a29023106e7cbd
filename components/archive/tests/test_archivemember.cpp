// Members read into memory, bounded, and demos read where they lie (file or archive).
#include "archive/ArchiveMember.h"
#include "archive/DemoSummary.h"
#include "testsupport/DemoWriter.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::archive;

class TestArchiveMember : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void reads_data();
    void reads();
    void damagedData();
    void notAnArchive();
    void demoSources();
    void gameStatesOfMany();
    void queueReadsWholeDemos();
    void queueStopsWhenDestroyed();
    void summary();

private:
    QString zipOf(const QList<test::ZipMember>& members);
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_zips = 0;
};

void TestArchiveMember::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestArchiveMember::zipOf(const QList<test::ZipMember>& members)
{
    const QString path = m_dir->filePath(QStringLiteral("a%1.pk3").arg(m_zips++));
    test::writeZip(path, members);
    return path;
}

void TestArchiveMember::reads_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("startOnly");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("says");
    const QByteArray big = QByteArray("0123456789").repeated(1000);
    QTest::newRow("whole") << "demos/a.dm_68" << qint64(100000) << false << true << big << true
                           << "";
    QTest::newRow("exactly the limit")
        << "demos/a.dm_68" << qint64(10000) << false << true << big << true << "";
    QTest::newRow("over the limit") << "demos/a.dm_68" << qint64(9999) << false << false
                                    << QByteArray() << false << "more than the 9999 bytes";
    QTest::newRow("the start") << "demos/a.dm_68" << qint64(25) << true << true << big.left(25)
                               << false << "";
    QTest::newRow("a start longer than the member")
        << "demos/a.dm_68" << qint64(50000) << true << true << big << true << "";
    QTest::newRow("another case") << "DEMOS/A.DM_68" << qint64(100000) << false << true << big
                                  << true << "";
    QTest::newRow("missing") << "demos/b.dm_68" << qint64(100) << false << false << QByteArray()
                             << false << "holds no member demos/b.dm_68";
    QTest::newRow("encrypted") << "demos/secret.dm_68" << qint64(100) << false << false
                               << QByteArray() << false << "is encrypted";
    QTest::newRow("empty member") << "demos/empty.dm_68" << qint64(100) << false << true
                                  << QByteArray() << true << "";
}

void TestArchiveMember::reads()
{
    QFETCH(QString, member);
    QFETCH(qint64, limit);
    QFETCH(bool, startOnly);
    QFETCH(bool, ok);
    QFETCH(QByteArray, data);
    QFETCH(bool, whole);
    QFETCH(QString, says);
    const QString zip = zipOf({{"demos/a.dm_68", QByteArray("0123456789").repeated(1000)},
                               {"demos/secret.dm_68", "x", true},
                               {"demos/empty.dm_68", QByteArray()}});
    ArchiveMembers archive(zip);
    QVERIFY(archive.isOpen());
    ArchiveMembers::Member r;
    QString error;
    QCOMPARE(archive.read(member, limit, startOnly, &r, &error), ok);
    QCOMPARE(r.data, data);
    QCOMPARE(r.whole, whole);
    QVERIFY2(error.contains(says), qPrintable(error));
    if (ok)
        QVERIFY(r.modified.isValid());
}

void TestArchiveMember::damagedData()
{
    const QString zip = zipOf({{"demos/a.dm_68", QByteArray("demo data ").repeated(2000)}});
    QByteArray bytes = test::readFile(zip);
    const qsizetype data = 30 + QByteArray("demos/a.dm_68").size();
    for (int i = 0; i < 8; ++i)
        bytes[data + 20 + i] = char(bytes[data + 20 + i] ^ 0x5a);
    test::writeFile(zip, bytes);
    ArchiveMembers::Member r;
    QString error;
    QVERIFY(!readArchiveMember(zip, "demos/a.dm_68", 1 << 20, &r, &error));
    QVERIFY(r.data.isEmpty());
    QVERIFY2(error.contains("damaged") || error.contains("ends early"), qPrintable(error));
}

void TestArchiveMember::notAnArchive()
{
    const QString path = test::writeFile(m_dir->filePath("x.pk3"), "not a zip");
    ArchiveMembers archive(path);
    QVERIFY(!archive.isOpen());
    QVERIFY(archive.error().contains("cannot be read as an archive"));
    ArchiveMembers::Member r;
    QString error;
    QVERIFY(!archive.read("demos/a.dm_68", 100, false, &r, &error));
    QCOMPARE(error, archive.error());
    QVERIFY(!ArchiveMembers(m_dir->filePath("missing.pk3")).isOpen());
}

void TestArchiveMember::demoSources()
{
    const QByteArray demo = test::simpleDemo("q3dm6", "srv", {{"Rec", 0}}, 42000);
    const QString zip = zipOf({{"demos/x.dm_68", demo}, {"demos/bad.dm_68", "junk"}});
    const QString loose = test::writeFile(m_dir->filePath("demos/y.dm_68"), demo);
    for (const DemoSource& s : {DemoSource{loose, {}, {}}, DemoSource{{}, zip, "demos/x.dm_68"}}) {
        QDateTime when;
        const DemoInfo g = readDemoSource(s, DemoDepth::GameState, &when);
        QVERIFY2(g.readable, qPrintable(g.error));
        QCOMPARE(g.map, QStringLiteral("q3dm6"));
        QVERIFY(!g.lengthKnown);
        QVERIFY(when.isValid());
        const DemoInfo w = readDemoSource(s, DemoDepth::Whole);
        QCOMPARE(w.durationMs, 42000);
    }
    QCOMPARE(DemoSource({{}, zip, "demos/x.dm_68"}).displayName(), zip + ":demos/x.dm_68");
    const DemoInfo bad = readDemoSource({{}, zip, "demos/bad.dm_68"}, DemoDepth::Whole);
    QVERIFY(bad.error.startsWith("not a readable demo"));
    const DemoInfo missing = readDemoSource({{}, zip, "demos/none.dm_68"}, DemoDepth::Whole);
    QVERIFY(missing.error.contains("holds no member"));
    const DemoInfo noFile =
        readDemoSource({m_dir->filePath("none.dm_68"), {}, {}}, DemoDepth::Whole);
    QVERIFY(noFile.error.contains("cannot be opened"));
}

void TestArchiveMember::gameStatesOfMany()
{
    const QString zip = zipOf({{"demos/a.dm_68", test::simpleDemo("m1", "s", {{"A", 0}})},
                               {"demos/b.dm_68", test::simpleDemo("m2", "s", {{"B", 0}})}});
    const QString loose =
        test::writeFile(m_dir->filePath("c.dm_67"), test::simpleDemo("m3", "s", {{"C", 0}}));
    QList<QDateTime> when;
    const QList<DemoInfo> infos =
        readGameStates({{{}, zip, "demos/a.dm_68"},
                        {loose, {}, {}},
                        {{}, zip, "demos/b.dm_68"},
                        {{}, m_dir->filePath("gone.pk3"), "demos/x.dm_68"}},
                       &when);
    QCOMPARE(infos.size(), 4);
    QCOMPARE(when.size(), 4);
    QCOMPARE(infos[0].map, QStringLiteral("m1"));
    QCOMPARE(infos[1].map, QStringLiteral("m3"));
    QCOMPARE(infos[2].map, QStringLiteral("m2"));
    QVERIFY(!infos[3].readable);
    QVERIFY(infos[3].error.contains("cannot be read as an archive"));
}

void TestArchiveMember::queueReadsWholeDemos()
{
    const QString zip = zipOf({{"demos/a.dm_68", test::simpleDemo("m1", "s", {{"A", 0}}, 1000)},
                               {"demos/b.dm_68", test::simpleDemo("m2", "s", {{"B", 0}}, 2000)}});
    DemoReadQueue queue;
    QSignalSpy spy(&queue, &DemoReadQueue::demoRead);
    queue.add(7, {{}, zip, "demos/a.dm_68"});
    queue.add(8, {{}, zip, "demos/b.dm_68"});
    queue.add(9, {{}, zip, "demos/none.dm_68"});
    QTRY_COMPARE(spy.count(), 3);
    QCOMPARE(spy[0][0].toInt(), 7);
    QCOMPARE(spy[0][1].value<DemoInfo>().durationMs, 1000);
    QCOMPARE(spy[1][1].value<DemoInfo>().durationMs, 2000);
    QVERIFY(!spy[2][1].value<DemoInfo>().readable);
}

void TestArchiveMember::queueStopsWhenDestroyed()
{
    // Long demos queued: destroying the queue stops the read under way and drops the rest;
    // nothing is delivered to a queue that is gone.
    test::DemoWriter w;
    w.gameState(test::standardStrings("m", "s", 0, 68, {{"A", 0}}), 0);
    for (int i = 0; i < 20000; ++i)
        w.message({}, 1000 + i * 50);
    const QString path = test::writeFile(m_dir->filePath("long.dm_68"), w.bytes());
    int delivered = 0;
    {
        DemoReadQueue queue;
        connect(&queue, &DemoReadQueue::demoRead, this, [&delivered] { ++delivered; });
        for (int i = 0; i < 50; ++i)
            queue.add(i, {path, {}, {}});
    }
    QCoreApplication::processEvents();
    QCOMPARE(delivered, 0);
}

void TestArchiveMember::summary()
{
    test::DemoWriter w;
    w.gameState(test::standardStrings("ctf4", "^1Red^7Srv", 4, 71, {{"^2Al", 1}, {"Bo", 2}}), 1, 2);
    w.message({{3, "cs 6 \"2\""}, {4, "cs 7 \"5\""}}, 1000);
    w.message({}, 61000);
    const DemoInfo info = readDemo(w.bytes(), 71, DemoDepth::Whole);
    QCOMPARE(demoSummary(info), QStringLiteral("Map: ctf4\nServer: RedSrv\nGame type: Capture the "
                                               "Flag\nProtocol: 71\nRecorded by: Bo\nLength: "
                                               "1:00\nScore: red 2, blue 5\nPlayers (2): Al "
                                               "(red), Bo (blue)"));
    const DemoInfo start = readDemo(w.bytes(), 71, DemoDepth::GameState);
    QVERIFY(demoSummary(start).contains("Length: being read"));
    DemoInfo bad;
    bad.error = "not a readable demo: x";
    QCOMPARE(demoSummary(bad), bad.error);
}

QTEST_MAIN(TestArchiveMember)
#include "test_archivemember.moc"
