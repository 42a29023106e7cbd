#include "GameLocator.h"
#include "SearchWindow.h"
#include "core/GameInstall.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <unistd.h>

using namespace fragdeck;
using namespace fragdeck::launcher;

namespace
{

// Creates the folders and files of a made-up tree below root. A path ending in "/" is a
// folder; "x*" is an executable file; "a -> b" a symbolic link.
void makeTree(const QString& root, const QStringList& entries)
{
    for (QString e : entries) {
        if (e.contains(" -> ")) {
            const QStringList parts = e.split(" -> ");
            QDir().mkpath(QFileInfo(root + "/" + parts[0]).absolutePath());
            QVERIFY(QFile::link(parts[1], root + "/" + parts[0]));
        } else if (e.endsWith('/')) {
            QVERIFY(QDir().mkpath(root + "/" + e));
        } else {
            const bool exec = e.endsWith('*');
            if (exec)
                e.chop(1);
            test::writeFile(root + "/" + e, "#!/bin/sh\n");
            if (exec)
                QFile::setPermissions(root + "/" + e,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
}

} // namespace

class TestLocator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void walk_data();
    void walk();
    void symlinkLoopIsNotFollowed();
    void unreadableFolderIsSkipped();
    void cancelEndsTheWalk();
    void countersNeverStopTheSearch();
    void eventsAreServedWhileWalking();
    void windowSearchesAndCloses();
    void windowCancel_data();
    void windowCancel();
};

void TestLocator::walk_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("folder"); // relative, "" = not found
    QTest::addColumn<QString>("program");
    QTest::newRow("in a subfolder")
        << QStringList{"docs/readme.txt", "games/Quake III Arena/baseq3/pak0.pk3",
                       "games/Quake III Arena/quake3.exe"}
        << "games/Quake III Arena/"
        << "quake3.exe";
    QTest::newRow("in the root") << QStringList{"quake3.exe", "sub/quake3.exe"} << ""
                                 << "quake3.exe";
    QTest::newRow("parent before child") << QStringList{"b/quake3.exe", "b/a/quake3.exe"} << "b/"
                                         << "quake3.exe";
    QTest::newRow("name order, depth first")
        << QStringList{"b/quake3.exe", "a/deep/er/quake3.exe"} << "a/deep/er/"
        << "quake3.exe";
    QTest::newRow("hidden folder")
        << QStringList{"games/", ".wine/drive_c/Quake III Arena/quake3.exe"}
        << ".wine/drive_c/Quake III Arena/"
        << "quake3.exe";
    QTest::newRow("link to the program")
        << QStringList{"real/ioq3-bin*", "bin/ioquake3 -> ../real/ioq3-bin"} << "bin/"
        << "ioquake3";
    QTest::newRow("Linux program")
        << QStringList{"opt/ioquake3/ioquake3.x86_64*"} << "opt/ioquake3/"
        << "ioquake3.x86_64";
    QTest::newRow("OpenArena") << QStringList{"usr/games/openarena*", "usr/games/other*"}
                               << "usr/games/"
                               << "openarena";
    QTest::newRow("windows name preferred") << QStringList{"q3/ioquake3*", "q3/quake3.exe"} << "q3/"
                                            << "quake3.exe";
    QTest::newRow("name as on the disk") << QStringList{"Q3/QUAKE3.EXE"} << "Q3/"
                                         << "QUAKE3.EXE";
    QTest::newRow("not executable") << QStringList{"share/doc/quake3"} << ""
                                    << "";
    QTest::newRow("folder of that name")
        << QStringList{"share/games/quake3/baseq3/", "share/games/openarena/"} << ""
        << "";
    QTest::newRow("broken link") << QStringList{"bin/quake3.exe -> /nonexistent/q3"} << ""
                                 << "";
    QTest::newRow("nothing") << QStringList{"a/b/c/", "d/e.txt"} << ""
                             << "";
}

void TestLocator::walk()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, folder);
    QFETCH(QString, program);
    QTemporaryDir dir;
    const QString root = dir.path() + "/root";
    QDir().mkpath(root);
    makeTree(root, tree);
    GameLocator loc(gameProgramNames());
    loc.search(root);
    if (program.isEmpty()) {
        QVERIFY(!loc.found());
        QCOMPARE(loc.FoundFolder, QString());
        return;
    }
    QVERIFY(loc.found());
    QCOMPARE(loc.FoundFolder, root + "/" + folder);
    QCOMPARE(loc.FoundProgram, program);
    QVERIFY(QFileInfo(loc.foundProgramPath()).isFile());
}

void TestLocator::symlinkLoopIsNotFollowed()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    makeTree(root,
             {"a/b/", "a/b/loop -> ../..", "a/self -> .", "elsewhere/", "x/game -> ../elsewhere"});
    makeTree(root, {"elsewhere/quake3.exe"});
    GameLocator loc(gameProgramNames());
    QStringList entered;
    loc.folderEntered = [&](const QString& f) { entered.append(f); };
    loc.search(root + "/x/");
    QVERIFY(!loc.found()); // the link to the folder holding the game is not followed
    loc.search(root + "/a/");
    QVERIFY(!loc.found());
    QCOMPARE(entered.size(), 1 + 2); // x/, then a/ and a/b/
}

void TestLocator::unreadableFolderIsSkipped()
{
    if (geteuid() == 0)
        QSKIP("permissions do not apply to root");
    QTemporaryDir dir;
    makeTree(dir.path(), {"a/locked/quake3.exe", "b/quake3.exe"});
    QFile::setPermissions(dir.path() + "/a/locked", QFile::WriteOwner);
    GameLocator loc(gameProgramNames());
    loc.search(dir.path());
    QFile::setPermissions(dir.path() + "/a/locked",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(loc.FoundFolder, dir.path() + "/b/");
}

void TestLocator::cancelEndsTheWalk()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"a/", "b/", "c/", "d/", "z/quake3.exe"});
    GameLocator loc(gameProgramNames());
    int entered = 0;
    loc.folderEntered = [&](const QString&) {
        if (++entered == 3)
            loc.requestCancel();
    };
    loc.search(dir.path());
    QCOMPARE(loc.FoundFolder, GameLocator::cancelledMarker());
    QVERIFY(!loc.found());
    QCOMPARE(entered, 3);
}

void TestLocator::countersNeverStopTheSearch()
{
    // More folders than a 16-bit counter holds, the program in the last one.
    QTemporaryDir dir;
    const QString root = dir.path() + "/many";
    QDir().mkpath(root);
    for (int i = 0; i < 33000; ++i)
        QVERIFY(QDir().mkdir(QString("%1/f%2").arg(root).arg(i, 5, 10, QChar('0'))));
    test::writeFile(root + "/f32999/quake3.exe", "x");
    GameLocator loc(gameProgramNames());
    loc.search(root);
    QCOMPARE(loc.FoundFolder, root + "/f32999/");
    QCOMPARE(loc.dirCount, uint64_t(33000));
    QCOMPARE(loc.fileCount, uint64_t(1));
}

void TestLocator::eventsAreServedWhileWalking()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"a/", "b/", "c/"});
    GameLocator loc(gameProgramNames());
    QStringList pumped;
    loc.pump = [&](const QString& f) { pumped.append(f); };
    loc.pumpIntervalMs = 1000000; // only the first folder
    loc.search(dir.path());
    QCOMPARE(pumped, QStringList{dir.path() + "/"});
    pumped.clear();
    loc.pumpIntervalMs = 0; // every folder
    loc.search(dir.path());
    QCOMPARE(pumped.size(), 4);
}

void TestLocator::windowSearchesAndCloses()
{
    test::PromptRecorder prompts;
    QTemporaryDir dir;
    makeTree(dir.path(), {"x/y/quake3.exe"});
    LocatorShared& shared = locatorShared();
    shared.SearchStart = dir.path() + "/";
    shared.FoundFolder.clear();
    SearchWindow w;
    QCOMPARE(w.windowTitle(), QString("Searching..."));
    QCOMPARE(w.findChild<QPushButton*>("Command1")->text(), QString("&Cancel"));
    QVERIFY(shared.Searching);
    w.exec();
    QVERIFY(!shared.Searching);
    QCOMPARE(shared.FoundFolder, dir.path() + "/x/y/");
    QCOMPARE(shared.FoundProgram, QString("quake3.exe"));
    QCOMPARE(w.findChild<QLabel*>("lbl")->text(), QString("Searching quake3.exe..."));
    QVERIFY(prompts.prompts.isEmpty());
}

void TestLocator::windowCancel_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("escape");
    QTest::newRow("yes") << true << false;
    QTest::newRow("no") << false << false;
    QTest::newRow("escape, yes") << true << true;
}

void TestLocator::windowCancel()
{
    QFETCH(bool, confirm);
    QFETCH(bool, escape);
    test::PromptRecorder prompts;
    prompts.queue(confirm ? Answer::Yes : Answer::No);
    QTemporaryDir dir;
    makeTree(dir.path(), {"a/b/quake3.exe"});
    locatorShared().SearchStart = dir.path();
    SearchWindow w;
    // Press cancel as soon as the window is up, before its search starts.
    QTimer press;
    press.setInterval(0);
    connect(&press, &QTimer::timeout, &w, [&] {
        if (!w.isVisible())
            return;
        press.stop();
        if (escape)
            QTest::keyClick(&w, Qt::Key_Escape);
        else
            w.findChild<QPushButton*>("Command1")->click();
    });
    press.start();
    w.exec();
    QCOMPARE(prompts.prompts.size(), 1);
    const Prompt& p = prompts.prompts.first();
    QCOMPARE(p.text, QString("Are you sure you want to cancel? If you cancel, you will have to go "
                             "to 'Fragdeck Options' and manually give in the correct paths."));
    QCOMPARE(p.title, QString("Cancel search"));
    QCOMPARE(p.buttons, Buttons::YesNo);
    QCOMPARE(p.icon, Icon::None);
    QCOMPARE(locatorShared().FoundFolder, confirm ? QString("__") : dir.path() + "/a/b/");
    QVERIFY(!locatorShared().Searching);
}

QTEST_MAIN(TestLocator)
#include "test_locator.moc"
