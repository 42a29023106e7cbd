// The one file writer, on real file systems: a full tmpfs, a read-only mount, read-only
// files and folders. Whatever fails, the previous file stays byte for byte, no temporary
// file is left, and the message gives the system's reason.
#include "core/AtomicFile.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace fragdeck;

namespace
{

QByteArray content(qsizetype size, char fill)
{
    QByteArray b(size, fill);
    for (qsizetype i = 79; i < size; i += 80)
        b[i] = '\n';
    return b;
}

// Every name in the folder but the filler of a full disk.
QStringList filesIn(const QString& folder)
{
    QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral(".filler"));
    return names;
}

} // namespace

class TestAtomicFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replacesWholeAndKeepsPermissions();
    void followsOrReplacesLinks();
    void fullDiskKeepsThePreviousFile_data();
    void fullDiskKeepsThePreviousFile();
    void streamedWriteOnAFullDisk();
    void readOnlyFileIsLeftAlone();
    void readOnlyFolder();
    void readOnlyFileSystem();
    void staleTemporariesAreSwept();
};

void TestAtomicFile::replacesWholeAndKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("lversion.dat"), "1.00\r\nlonger old text");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions before = QFile::permissions(path);
    QVERIFY(writeFileAtomic(path, "1.2"));
    QCOMPARE(test::readFile(path), QByteArray("1.2"));
    QCOMPARE(QFile::permissions(path), before);
    QCOMPARE(filesIn(dir.path()), QStringList{"lversion.dat"});

    // A discarded write leaves nothing behind.
    {
        AtomicFile f(path);
        QVERIFY(f.open());
        QVERIFY(f.write("never"));
    }
    QCOMPARE(test::readFile(path), QByteArray("1.2"));
    QCOMPARE(filesIn(dir.path()), QStringList{"lversion.dat"});
}

void TestAtomicFile::followsOrReplacesLinks()
{
    QTemporaryDir dir;
    const QString real = test::writeFile(dir.filePath("real.cfg"), "old");
    const QString link = dir.filePath("link.cfg");
    QVERIFY(QFile::link(real, link));
    // A player's config kept elsewhere through a link: the link stays, the file changes.
    QVERIFY(writeFileAtomic(link, "new"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(test::readFile(real), QByteArray("new"));

    // Extraction never writes through a link: the link itself is replaced.
    AtomicFile f(link, AtomicFile::Links::Replace);
    QVERIFY(f.open());
    QVERIFY(f.write("member"));
    QVERIFY(f.commit());
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(test::readFile(link), QByteArray("member"));
    QCOMPARE(test::readFile(real), QByteArray("new"));
}

void TestAtomicFile::fullDiskKeepsThePreviousFile_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("100 B") << qsizetype(100);
    QTest::newRow("16 KB") << qsizetype(16 * 1024);
    QTest::newRow("1 MB") << qsizetype(1024 * 1024);
}

void TestAtomicFile::fullDiskKeepsThePreviousFile()
{
    QFETCH(qsizetype, size);
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QByteArray old = content(size, 'o');
    const QString path = test::writeFile(disk.filePath("q3config.cfg"), old);
    QVERIFY(disk.fill());

    QString error;
    QVERIFY(!writeFileAtomic(path, content(size, 'n'), &error));
    QVERIFY2(error.contains("No space left on device"), qPrintable(error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(test::readFile(path), old);
    QCOMPARE(filesIn(disk.path()), QStringList{"q3config.cfg"});
}

void TestAtomicFile::streamedWriteOnAFullDisk()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    QVERIFY(disk.fill());
    // A 4 KB member: small enough to sit in a buffer until the flush.
    AtomicFile f(disk.filePath("levelshot.tga"), AtomicFile::Links::Replace);
    const bool written = f.open() && f.write(content(4096, 'm')) && f.commit();
    QVERIFY(!written);
    QVERIFY2(f.errorString().contains("No space left on device"), qPrintable(f.errorString()));
    QCOMPARE(filesIn(disk.path()), QStringList{});
}

void TestAtomicFile::readOnlyFileIsLeftAlone()
{
    if (geteuid() == 0)
        QSKIP("root may write any file; the read-only mount case covers root");
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("q3config.cfg"), "seta name \"old\"\n");
    QFile::setPermissions(path, QFile::ReadOwner);
    QString error;
    QVERIFY(!writeFileAtomic(path, "new", &error));
    QVERIFY2(error.contains("Permission denied"), qPrintable(error));
    QCOMPARE(test::readFile(path), QByteArray("seta name \"old\"\n"));
    QCOMPARE(filesIn(dir.path()), QStringList{"q3config.cfg"});
}

void TestAtomicFile::readOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("root may write into any folder; the read-only mount case covers root");
    QTemporaryDir dir;
    const QString sub = dir.filePath("ro");
    QDir().mkpath(sub);
    const QString path = test::writeFile(sub + "/q3config.cfg", "seta name \"old\"\r\n");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    QVERIFY(!writeFileAtomic(path, "new", &error));
    QVERIFY2(error.contains("q3config.cfg") && error.contains("Permission denied"),
             qPrintable(error));
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(test::readFile(path), QByteArray("seta name \"old\"\r\n"));
    QCOMPARE(filesIn(sub), QStringList{"q3config.cfg"});
}

void TestAtomicFile::readOnlyFileSystem()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString path = test::writeFile(disk.filePath("q3config.cfg"), "seta a 1\n");
    QVERIFY(disk.makeReadOnly());
    QString error;
    QVERIFY(!writeFileAtomic(path, "seta a 2\n", &error));
    QVERIFY2(error.contains("Read-only file system"), qPrintable(error));
    QCOMPARE(test::readFile(path), QByteArray("seta a 1\n"));
    QVERIFY(!writeFileAtomic(disk.filePath("new.cfg"), "x", &error));
    QCOMPARE(filesIn(disk.path()), QStringList{"q3config.cfg"});
}

// A writer killed during a save leaves its temporary file; the next save of the same file
// removes those nobody holds, and nothing else.
void TestAtomicFile::staleTemporariesAreSwept()
{
    QTemporaryDir dir;
    const QString target = test::writeFile(dir.filePath("q3config.cfg"), "old\n");
    const QStringList stale = {".q3config.cfg.0123456789ab.tmp", ".q3config.cfg.ffffffffffff.tmp"};
    const QStringList kept = {".q3config.cfg_.0123456789ab.tmp", ".q3config.cfg.xyz.tmp",
                              ".other.cfg.0123456789ab.tmp", "q3config.cfg_"};
    for (const QString& name : stale + kept)
        test::writeFile(dir.filePath(name), content(1000, 'x'));
    // A live writer holds its temporary locked (a shell with flock(1) stands in for it).
    const QString held = dir.filePath(".q3config.cfg.00000000beef.tmp");
    test::writeFile(held, "in progress");
    QProcess owner;
    owner.start("sh", {"-c", "exec 9<\"$0\" && flock 9 && exec sleep 60", held});
    QVERIFY(owner.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] {
        const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return locked;
    }));

    QVERIFY(writeFileAtomic(target, "new\n"));
    QStringList expected = kept;
    expected << "q3config.cfg" << QFileInfo(held).fileName();
    expected.sort();
    QStringList found = filesIn(dir.path());
    found.sort();
    QCOMPARE(found, expected);

    owner.kill();
    QVERIFY(owner.waitForFinished());
    QVERIFY(writeFileAtomic(target, "newer\n"));
    QVERIFY(!QFileInfo::exists(held));
    QCOMPARE(test::readFile(target), QByteArray("newer\n"));
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
