#include "Settings.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace fragdeck;

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesIgnoreCase();
    void absentKeysReadAsDefaults();
    void readingCreatesNothing();
    void applicationsAreSeparate();
    void writeReplacesAndIsSeenAtOnce();
    void concurrentWritersLoseNothing();
    void corruptStoreIsMovedAside();
    void unicodeAndLatin1Values();
};

void TestSettings::namesIgnoreCase()
{
    test::TempStore store;
    SaveSetting("Fragdeck", "Options", "Theme", "Neon");
    QCOMPARE(GetSetting("fragdeck", "OPTIONS", "theme", "Default"), QString("Neon"));
    SaveSetting("FRAGDECK", "options", "THEME", "Rust");
    QCOMPARE(GetSetting("Fragdeck", "Options", "Theme"), QString("Rust"));
}

void TestSettings::absentKeysReadAsDefaults()
{
    test::TempStore store;
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Default"));
    QCOMPARE(GetSetting("Fragdeck", "Options", "Q3path", ""), QString());
    QCOMPARE(GetSetting("Fragdeck", "Options", "Firstrun_v6", "1"), QString("1"));
}

void TestSettings::readingCreatesNothing()
{
    test::TempStore store;
    QCOMPARE(GetSetting("A", "B", "C", "d"), QString("d"));
    QCOMPARE(GetSetting("A", "B", "C", "e"), QString("e"));
    SaveSetting("A", "B", "other", "x");
    QCOMPARE(GetSetting("A", "B", "C", "f"), QString("f"));
}

void TestSettings::applicationsAreSeparate()
{
    test::TempStore store;
    SaveSetting("Fragtune", "Q3A", "theme", "tuned");
    SaveSetting("Fragdeck", "Options", "theme", "Default2");
    QCOMPARE(GetSetting("Fragtune", "Q3A", "theme"), QString("tuned"));
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme"), QString("Default2"));
    QCOMPARE(GetSetting("Fragdeck", "Q3A", "theme", "none"), QString("none"));
}

void TestSettings::writeReplacesAndIsSeenAtOnce()
{
    test::TempStore store;
    SaveSetting("Fragdeck", "Options", "Q3path", "/games/q3/quake3.exe");
    QCOMPARE(GetSetting("Fragdeck", "Options", "Q3path"), QString("/games/q3/quake3.exe"));
    // Another process sees it too.
    QProcess p;
    p.start(SETTINGS_WRITER, {"seen", "1"});
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(GetSetting("Fragdeck", "Options", "seen0"), QString("0"));
    SaveSetting("Fragdeck", "Options", "Q3path", "");
    QCOMPARE(GetSetting("Fragdeck", "Options", "Q3path", "x"), QString());
}

void TestSettings::concurrentWritersLoseNothing()
{
    test::TempStore store;
    GetSetting("Fragdeck", "Options", "init"); // create the file before the writers race
    QList<QProcess*> procs;
    const int writers = 12, each = 40;
    for (int w = 0; w < writers; ++w) {
        auto* p = new QProcess(this);
        p->start(SETTINGS_WRITER, {QString("w%1_").arg(w), QString::number(each)});
        procs.append(p);
    }
    for (QProcess* p : procs) {
        QVERIFY(p->waitForFinished(30000));
        QCOMPARE(p->exitCode(), 0);
    }
    for (int w = 0; w < writers; ++w)
        for (int i = 0; i < each; ++i)
            QCOMPARE(GetSetting("Fragdeck", "Options", QString("w%1_%2").arg(w).arg(i), "lost"),
                     QString::number(i));
    qDeleteAll(procs);
}

void TestSettings::corruptStoreIsMovedAside()
{
    test::TempStore store;
    const QString path = settings::storePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    test::writeFile(path, QByteArray("this is not a database at all, just garbage bytes ") +
                              QByteArray(4096, 'x'));
    settings::reset();
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Default"));
    SaveSetting("Fragdeck", "Options", "theme", "Neon");
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Neon"));
    const QStringList aside =
        QDir(QFileInfo(path).absolutePath()).entryList({"settings.db.broken-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
}

void TestSettings::unicodeAndLatin1Values()
{
    test::TempStore store;
    const QString v = QString::fromLatin1("\xe9t\xe9 ^1Fr\xff");
    SaveSetting("Fragtune", "Q3A", "Player name", v);
    QCOMPARE(GetSetting("Fragtune", "Q3A", "player NAME"), v);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
