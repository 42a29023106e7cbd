#include "core/Settings.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <chrono>
#include <memory>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace fragdeck;

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesIgnoreCase();
    void absentKeysReadAsDefaults();
    void readingCreatesNothing();
    void applicationsAreSeparate();
    void writeReplacesAndIsSeenAtOnce();
    void concurrentWritersLoseNothing();
    void corruptStoreIsMovedAside();
    void concurrentWritersOntoACorruptStoreLoseNothing();
    void readOnlyStoreIsReadAndRefusesWrites_data();
    void readOnlyStoreIsReadAndRefusesWrites();
    void fullDiskKeepsReadsAndTheStore();
    void lockHeldPastTheTimeoutGivesTheDefault();
    void unicodeAndLatin1Values();
    void writersRacingOnAFreshStoreLoseNothing_data();
    void writersRacingOnAFreshStoreLoseNothing();
    void firstStartOnAFullDiskSaysSo();
    void writerOnAFreshStoreIsWaitedOut();
};

namespace
{

QStringList brokenStores()
{
    return QDir(QFileInfo(settings::storePath()).absolutePath())
        .entryList({"settings.db.broken-*"}, QDir::Files);
}

void writeCorruptStore()
{
    const QString path = settings::storePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    test::writeFile(path, QByteArray("this is not a database at all, just garbage bytes ") +
                              QByteArray(4096, 'x'));
    settings::reset();
}

// A store with a few values, closed again so the next call opens it afresh.
void seedStore()
{
    QVERIFY(SaveSetting("Fragdeck", "Options", "Q3path", "/usr/games/openarena"));
    QVERIFY(SaveSetting("Fragdeck", "Options", "theme", "Crimson"));
    settings::reset();
}

// Runs `writers` writer processes at once, writer w storing the keys "<prefix>w_0" on to
// "<prefix>w_<each - 1>"; empty once all of them ended well, else what went wrong.
QString runWriters(const char* prefix, int writers, int each, int timeoutMs)
{
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int w = 0; w < writers; ++w) {
        procs.push_back(std::make_unique<QProcess>());
        procs.back()->start(SETTINGS_WRITER,
                            {QString("%1%2_").arg(prefix).arg(w), QString::number(each)});
    }
    QStringList problems;
    for (const auto& p : procs) {
        if (!p->waitForFinished(timeoutMs))
            problems << "a writer did not end: " + p->errorString();
        else if (p->exitCode() != 0)
            problems << "a writer ended with " + QString::number(p->exitCode());
    }
    return problems.join("; ");
}

} // namespace

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
    const int writers = 12, each = 40;
    QCOMPARE(runWriters("w", writers, each, 30000), QString());
    for (int w = 0; w < writers; ++w)
        for (int i = 0; i < each; ++i)
            QCOMPARE(GetSetting("Fragdeck", "Options", QString("w%1_%2").arg(w).arg(i), "lost"),
                     QString::number(i));
}

void TestSettings::corruptStoreIsMovedAside()
{
    test::TempStore store;
    writeCorruptStore();
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Default"));
    QVERIFY(SaveSetting("Fragdeck", "Options", "theme", "Neon"));
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Neon"));
    QCOMPARE(brokenStores().size(), 1);
}

// The launcher's first run starts a dozen registration processes at once; when the store
// they meet is corrupt, exactly one of them may move it aside.
void TestSettings::concurrentWritersOntoACorruptStoreLoseNothing()
{
    test::TempStore store;
    writeCorruptStore();
    const int writers = 12, each = 500;
    QCOMPARE(runWriters("c", writers, each, 50000), QString());
    int lost = 0;
    for (int w = 0; w < writers; ++w)
        for (int i = 0; i < each; ++i)
            lost += GetSetting("Fragdeck", "Options", QString("c%1_%2").arg(w).arg(i), "lost") !=
                    QString::number(i);
    QCOMPARE(lost, 0);
    QCOMPARE(brokenStores().size(), 1);
}

void TestSettings::readOnlyStoreIsReadAndRefusesWrites_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("writable"); // the store's own files can still be written
    QTest::newRow("read-only file") << "file" << false;
    QTest::newRow("read-only folder") << "folder" << true;
    QTest::newRow("read-only file system") << "mount" << false;
}

void TestSettings::readOnlyStoreIsReadAndRefusesWrites()
{
    QFETCH(QString, how);
    QFETCH(bool, writable);
    test::ScratchMount disk;
    if (how == "mount" && !disk.mounted())
        QSKIP(qPrintable(disk.why()));
    if (how != "mount" && geteuid() == 0)
        QSKIP("root may write any file or folder; the read-only file system row covers root");
    test::TempStore store(how == "mount" ? disk.path() : QString());
    seedStore();
    const QString path = settings::storePath();
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray before = test::readFile(path);
    if (how == "file")
        QFile::setPermissions(path, QFile::ReadOwner);
    else if (how == "folder")
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    else
        QVERIFY(disk.makeReadOnly());

    QCOMPARE(GetSetting("Fragdeck", "Options", "Q3path"), QString("/usr/games/openarena"));
    QCOMPARE(GetSetting("Fragdeck", "Options", "THEME", "Default"), QString("Crimson"));
    QString error;
    // In a read-only folder the store's files themselves may still be written.
    QCOMPARE(SaveSetting("Fragdeck", "Options", "theme", "Arctic", &error), writable);
    if (!writable)
        QVERIFY2(error.contains("settings.db"), qPrintable(error));
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme"),
             writable ? QString("Arctic") : QString("Crimson"));

    settings::reset();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (!writable)
        QCOMPARE(test::readFile(path), before);
    QCOMPARE(brokenStores(), QStringList());
}

void TestSettings::fullDiskKeepsReadsAndTheStore()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    test::TempStore store(disk.path());
    seedStore();
    QVERIFY(disk.fill());
    QCOMPARE(GetSetting("Fragdeck", "Options", "Q3path"), QString("/usr/games/openarena"));
    QString error;
    // Enough new rows that they cannot all fit in pages the store already has.
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i)
        refused = !SaveSetting("Fragdeck", "Filler", QString("key%1").arg(i),
                               QString(2000, QChar('v')), &error);
    QVERIFY(refused);
    QVERIFY2(error.contains("full"), qPrintable(error));
    settings::reset();
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme"), QString("Crimson"));
    QCOMPARE(brokenStores(), QStringList());
}

void TestSettings::lockHeldPastTheTimeoutGivesTheDefault()
{
    test::TempStore store;
    seedStore();
    // Another program holds the store exclusively, longer than the busy time-out.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(settings::storePath()).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other,
                          "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;"
                          "INSERT INTO settings VALUES('x','y','z','w');",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    const int saved = settings::busyTimeoutMs;
    settings::busyTimeoutMs = 100;
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Default"));
    QString error;
    QVERIFY(!SaveSetting("Fragdeck", "Options", "theme", "Toxic", &error));
    QVERIFY2(error.contains("locked"), qPrintable(error));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    settings::busyTimeoutMs = saved;

    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "Default"), QString("Crimson"));
    QCOMPARE(brokenStores(), QStringList());
}

void TestSettings::unicodeAndLatin1Values()
{
    test::TempStore store;
    const QString v = QString::fromLatin1("\xe9t\xe9 ^1Fr\xff");
    SaveSetting("Fragtune", "Q3A", "Player name", v);
    QCOMPARE(GetSetting("Fragtune", "Q3A", "player NAME"), v);
}

// Creating the store and switching it to WAL while others do the same once failed at once
// with "database is locked", without waiting out the busy time-out.
void TestSettings::writersRacingOnAFreshStoreLoseNothing_data()
{
    QTest::addColumn<bool>("emptyFile");
    QTest::newRow("no file yet") << false;
    QTest::newRow("a 0-byte file") << true;
}

void TestSettings::writersRacingOnAFreshStoreLoseNothing()
{
    QFETCH(bool, emptyFile);
    const int trials = 4, writers = 12, each = 10;
    for (int t = 0; t < trials; ++t) {
        test::TempStore store;
        if (emptyFile)
            test::writeFile(settings::storePath(), QByteArray());
        QList<QProcess*> procs;
        for (int w = 0; w < writers; ++w) {
            auto* p = new QProcess(this);
            p->start(SETTINGS_WRITER, {QString("w%1_").arg(w), QString::number(each), "go"});
            procs.append(p);
        }
        for (QProcess* p : procs)
            QVERIFY(p->waitForStarted());
        QTest::qWait(300); // every writer is waiting on its input
        for (QProcess* p : procs)
            p->write("go\n");
        for (QProcess* p : procs) {
            QVERIFY(p->waitForFinished(30000));
            QCOMPARE(p->exitCode(), 0);
        }
        qDeleteAll(procs);
        settings::reset();
        for (int w = 0; w < writers; ++w)
            for (int i = 0; i < each; ++i)
                QCOMPARE(GetSetting("Fragdeck", "Options", QString("w%1_%2").arg(w).arg(i), "lost"),
                         QString::number(i));
        settings::reset();
    }
}

// Another process writes the store, still in the older journal mode, for a moment: the
// switch to WAL waits for it within the busy time-out instead of failing at once.
void TestSettings::writerOnAFreshStoreIsWaitedOut()
{
    test::TempStore store;
    test::writeFile(settings::storePath(), QByteArray());
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(settings::storePath()).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    QString error;
    const bool saved = SaveSetting("Fragdeck", "Options", "theme", "Toxic", &error);
    release.join();
    sqlite3_close(other);
    QVERIFY2(saved, qPrintable(error));
    settings::reset();
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme"), QString("Toxic"));
}

void TestSettings::firstStartOnAFullDiskSaysSo()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    test::TempStore store(disk.path());
    QDir().mkpath(QFileInfo(settings::storePath()).absolutePath());
    QVERIFY(disk.fill());
    QString error;
    QVERIFY(!SaveSetting("Fragdeck", "Options", "theme", "Crimson", &error));
    QVERIFY2(error.contains("full") && !error.contains("no such table"), qPrintable(error));
    QCOMPARE(GetSetting("Fragdeck", "Options", "theme", "none"), QString("none"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
