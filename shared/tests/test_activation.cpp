#include "core/Activation.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace fragdeck;
using fragdeck::test::errorOf;

class TestActivation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void metadataIsReadWithoutLoading();
    void registrationToolRegistersSilently();
    void registrationToolFailsOnMissingOrForeignLibrary();
    void registrationToolFailsOnAReadOnlyStore();
    void namesAndOperationsIgnoreCase();
    void outArgumentsAreWrittenBack();
    void errors_data();
    void errors();
    void operationErrorsReachTheCaller();
};

void TestActivation::metadataIsReadWithoutLoading()
{
    QList<ComponentClass> classes;
    QString error;
    QVERIFY2(readComponentMetadata(test::probeLibraryPath(), &classes, &error), qPrintable(error));
    QCOMPARE(classes.size(), 2);
    QCOMPARE(classes[0].progId, QString("probe.class"));
    QCOMPARE(classes[0].className, QString("Probe"));
}

void TestActivation::registrationToolRegistersSilently()
{
    test::TempStore store;
    const QFileInfo lib(test::probeLibraryPath());
    QProcess p;
    p.setWorkingDirectory(lib.absolutePath());
    p.start(REGSVR32, {"/s", lib.fileName()});
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAll(), QByteArray());
    QCOMPARE(registeredLibrary("PROBE.CLASS"), lib.absoluteFilePath());
    QCOMPARE(registeredLibrary("probe.other"), lib.absoluteFilePath());
}

void TestActivation::registrationToolFailsOnMissingOrForeignLibrary()
{
    test::TempStore store;
    QTemporaryDir dir;
    test::writeFile(dir.filePath("bogus.so"), "not a library");
    for (const QString& name : {QString("missing.so"), QString("bogus.so")}) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(REGSVR32, {"/s", name});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(p.exitCode() != 0);
        QCOMPARE(p.readAllStandardError(), QByteArray());
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
    }
    QVERIFY(registeredLibrary("probe.class").isEmpty());
}

// A store that cannot be written must not read as registered: the launcher's auto-repair
// counts on the tool's exit code.
void TestActivation::registrationToolFailsOnAReadOnlyStore()
{
    test::ScratchMount disk;
    if (geteuid() == 0 && !disk.mounted())
        QSKIP(qPrintable(disk.why()));
    QTemporaryDir home;
    test::TempStore store(disk.mounted() ? disk.path() : home.path());
    QVERIFY(SaveSetting("Fragdeck", "Options", "theme", "Default"));
    settings::reset();
    const QString path = settings::storePath();
    if (disk.mounted())
        QVERIFY(disk.makeReadOnly());
    else
        QFile::setPermissions(path, QFile::ReadOwner);

    const QFileInfo lib(test::probeLibraryPath());
    QProcess p;
    p.setWorkingDirectory(lib.absolutePath());
    p.start(REGSVR32, {lib.fileName()});
    QVERIFY(p.waitForFinished(20000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY2(p.readAllStandardError().contains("read-only"), "no reason given");
    QVERIFY(!p.readAllStandardOutput().contains("Registered"));
    QVERIFY(registeredLibrary("probe.class").isEmpty());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestActivation::namesAndOperationsIgnoreCase()
{
    test::TempStore store;
    QVERIFY(registerComponentLibrary(test::probeLibraryPath()));
    auto obj = CreateObject("Probe.Class");
    QVERIFY(obj);
    QCOMPARE(CallByName(obj.get(), "ECHO", {QString("hi")}), QVariant(QString("hi")));
    QCOMPARE(CallByName(obj.get(), "echo", {7}), QVariant(7));
    QCOMPARE(CallByName(obj.get(), "add", {QString("40"), 2}).toInt(), 42);
    QCOMPARE(CallByName(obj.get(), "Name").toString(), QString("Probe"));
    CallByName(obj.get(), "MAIN");
    CallByName(obj.get(), "main");
    QCOMPARE(test::probeCalls("Probe"), 2);
}

void TestActivation::outArgumentsAreWrittenBack()
{
    test::TempStore store;
    test::registerProbeAs({"kickgate.Class"});
    auto obj = CreateObject("KICKGATE.class");
    QVariantList args{QString("x"), QVariant(), QVariant()};
    const QVariant r = CallByName(obj.get(), "fill", args);
    QVERIFY(!r.isValid());
    QCOMPARE(args[1].toString(), QString("filled:x"));
    QCOMPARE(args[2].toInt(), 42);
}

void TestActivation::errors_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<int>("number");
    QTest::newRow("not registered") << "unregistered" << 429;
    QTest::newRow("library missing") << "missing library" << 429;
    QTest::newRow("not a component") << "foreign library" << 429;
    QTest::newRow("class missing") << "class missing" << 429;
    QTest::newRow("no such operation") << "no operation" << 438;
    QTest::newRow("wrong argument count") << "argument count" << 450;
}

void TestActivation::errors()
{
    QFETCH(QString, case_);
    QFETCH(int, number);
    test::TempStore store;
    QTemporaryDir dir;
    QString description;
    int got = 0;
    if (case_ == "unregistered") {
        got = errorOf([] { CreateObject("nothing.here"); }, &description);
    } else if (case_ == "missing library") {
        SaveSetting("Classes", "gone.class", "Library", dir.filePath("gone.so"));
        SaveSetting("Classes", "gone.class", "Class", "Gone");
        got = errorOf([] { CreateObject("gone.class"); }, &description);
    } else if (case_ == "foreign library") {
        SaveSetting("Classes", "text.class", "Library",
                    test::writeFile(dir.filePath("text.so"), "not a library"));
        SaveSetting("Classes", "text.class", "Class", "Text");
        got = errorOf([] { CreateObject("text.class"); }, &description);
    } else if (case_ == "class missing") {
        SaveSetting("Classes", "probe.missing", "Library", test::probeLibraryPath());
        SaveSetting("Classes", "probe.missing", "Class", "Missing");
        got = errorOf([] { CreateObject("probe.missing"); }, &description);
    } else if (case_ == "no operation") {
        test::registerProbeAs({"probe.class"});
        auto obj = CreateObject("probe.class");
        got = errorOf([&] { CallByName(obj.get(), "Launch"); }, &description);
        QVERIFY(description.contains("Launch"));
    } else if (case_ == "argument count") {
        test::registerProbeAs({"probe.class"});
        auto obj = CreateObject("probe.class");
        got = errorOf([&] { CallByName(obj.get(), "add", {1}); }, &description);
    }
    QCOMPARE(got, number);
    QVERIFY(!description.isEmpty());
}

void TestActivation::operationErrorsReachTheCaller()
{
    test::TempStore store;
    test::registerProbeAs({"probe.class"});
    auto obj = CreateObject("probe.class");
    QCOMPARE(errorOf([&] { CallByName(obj.get(), "fail"); }), 5);
    QCOMPARE(errorOf([&] { CallByName(obj.get(), "add", {QString("abc"), 1}); }), 13);
    QCOMPARE(errorOf([&] { CallByName(obj.get(), "add", {3e9, 1}); }), 6);
}

QTEST_GUILESS_MAIN(TestActivation)
#include "test_activation.moc"
