#include "core/Clock.h"
#include "core/Desktop.h"
#include "core/Error.h"
#include "core/HostLookup.h"
#include "core/Http.h"
#include "core/Paths.h"
#include "core/Process.h"
#include "core/TextFile.h"
#include "core/Variant.h"
#include "game/GameText.h"
#include "gui/Prompts.h"
#include "gui/Twips.h"
#include "testsupport/HttpTestServer.h"
#include "testsupport/ManualClock.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <unistd.h>

using namespace fragdeck;

class TestPlatform : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void integerConversions_data();
    void integerConversions();
    void leadingValues_data();
    void leadingValues();
    void anyLineEndEndsALine_data();
    void anyLineEndEndsALine();
    void readingPastTheEndRaises();
    void latin1RoundTrip();
    void pathHelpers();
    void colouredRuns_data();
    void colouredRuns();
    void argumentsAreSplitWithoutAShell();
    void programLookupOrder();
    void waitsEndOnConditionOrDeadline();
    void tickCountIsMillisecondsThatWrap_data();
    void tickCountIsMillisecondsThatWrap();
    void testsResolveNoNames();
    void httpOutcomes();
    void httpServerThatNeverAnswers();
    void filtersForTheFileDialog();
    void twipsAt96Dpi();
    void driveListStartsWithRoot();
};

void TestPlatform::integerConversions_data()
{
    QTest::addColumn<QVariant>("in");
    QTest::addColumn<int>("int16"); // -1 marks an expected error
    QTest::addColumn<int>("error16");
    QTest::addColumn<int>("error32");
    QTest::newRow("small") << QVariant(12) << 12 << 0 << 0;
    QTest::newRow("text") << QVariant(QString("3000")) << 3000 << 0 << 0;
    QTest::newRow("max16") << QVariant(32767) << 32767 << 0 << 0;
    QTest::newRow("over16") << QVariant(32768) << 0 << 6 << 0;
    QTest::newRow("under16") << QVariant(-32769) << 0 << 6 << 0;
    QTest::newRow("over32") << QVariant(3e9) << 0 << 6 << 6;
    QTest::newRow("half to even") << QVariant(2.5) << 2 << 0 << 0;
    QTest::newRow("not a number") << QVariant(QString("abc")) << 0 << 13 << 13;
    QTest::newRow("empty") << QVariant() << 0 << 0 << 0;
}

void TestPlatform::integerConversions()
{
    QFETCH(QVariant, in);
    QFETCH(int, int16);
    QFETCH(int, error16);
    QFETCH(int, error32);
    int got16 = 0;
    QCOMPARE(test::errorOf([&] { got16 = toInt16(in); }), error16);
    QCOMPARE(test::errorOf([&] { toInt32(in); }), error32);
    if (!error16)
        QCOMPARE(got16, int16);
}

void TestPlatform::leadingValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << "27000" << 27000.0;
    QTest::newRow("trailing text") << "27000abc" << 27000.0;
    QTest::newRow("no digits") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks") << "  12" << 12.0;
    QTest::newRow("negative") << "-5x" << -5.0;
    QTest::newRow("decimal") << "1.5.2" << 1.5;
}

void TestPlatform::leadingValues()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(leadingValue(text), value);
}

void TestPlatform::anyLineEndEndsALine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"}
                          << QByteArray("\r\n");
    QTest::newRow("bare lf") << QByteArray("a\nb\n") << QStringList{"a", "b"} << QByteArray("\n");
    QTest::newRow("lone cr") << QByteArray("a\rb") << QStringList{"a", "b"} << QByteArray("\r");
    QTest::newRow("lf cr lf") << QByteArray("x\n\r\ny") << QStringList{"x", "", "y"}
                              << QByteArray("\n");
    QTest::newRow("blank line") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"}
                                << QByteArray("\r\n");
    QTest::newRow("no line end") << QByteArray("only") << QStringList{"only"} << QByteArray("\n");
    QTest::newRow("empty") << QByteArray() << QStringList{} << QByteArray("\n");
}

void TestPlatform::anyLineEndEndsALine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, lineEnd);
    QCOMPARE(LineReader(bytes).readAll(), lines);
    QCOMPARE(lineEndOf(bytes), lineEnd);
}

void TestPlatform::readingPastTheEndRaises()
{
    LineReader r(QByteArray("only"));
    QCOMPARE(r.readLine(), QString("only"));
    QVERIFY(r.atEnd());
    QCOMPARE(test::errorOf([&] { r.readLine(); }), 62);
    LineReader missing;
    QVERIFY(!missing.open("/nonexistent/file.txt"));
    QVERIFY(missing.atEnd());
    QVERIFY(!missing.error().isEmpty());
}

void TestPlatform::latin1RoundTrip()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(toLatin1Bytes(fromLatin1Bytes(all)), all);
    QCOMPARE(toLatin1Bytes(QString::fromUtf8("\u20ac")), QByteArray("?"));
}

void TestPlatform::pathHelpers()
{
    QCOMPARE(toLocalPath("C:\\Games\\Quake3\\baseq3\\q3config.cfg"),
             QString("C:/Games/Quake3/baseq3/q3config.cfg"));
    QCOMPARE(folderOf("C:\\Games\\Quake3\\quake3.exe"), QString("C:\\Games\\Quake3\\"));
    QCOMPARE(folderOf("/usr/games/quake3"), QString("/usr/games/"));
    QCOMPARE(folderOf("quake3"), QString());
    QCOMPARE(fileNameOf("/a/b\\c.pk3"), QString("c.pk3"));
}

void TestPlatform::argumentsAreSplitWithoutAShell()
{
    QCOMPARE(splitArguments(" +connect 10.0.0.1:27960"),
             (QStringList{"+connect", "10.0.0.1:27960"}));
    QCOMPARE(splitArguments(" +connect x; rm -rf ~"),
             (QStringList{"+connect", "x;", "rm", "-rf", "~"}));
    QCOMPARE(splitArguments("-e \"two words\""), (QStringList{"-e", "two words"}));
    QCOMPARE(splitArguments(""), QStringList{});
}

void TestPlatform::programLookupOrder()
{
    QTemporaryDir prog, cur;
    for (const QString& folder : {prog.path(), cur.path()}) {
        const QString p = test::writeFile(folder + "/regsvr32", "#!/bin/sh\n");
        QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    setProgramFolder(prog.path());
    QCOMPARE(findProgram("regsvr32", cur.path()), prog.path() + "/regsvr32");
    QFile::remove(prog.path() + "/regsvr32");
    QCOMPARE(findProgram("regsvr32", cur.path()), QDir(cur.path()).filePath("regsvr32"));
    QVERIFY(!findProgram("sh").isEmpty());
    QCOMPARE(findProgram("/x/y/quake3.exe"), QString("/x/y/quake3.exe"));
    setProgramFolder(QString());

    test::ProcessRecorder rec;
    QVERIFY(startProgram("/games/q3/quake3.exe", " +connect 1.2.3.4", "C:\\Games\\Quake3\\",
                         WindowMode::NormalFocus));
    QCOMPARE(rec.requests.size(), 1);
    QCOMPARE(rec.requests[0].commandLine, QString("/games/q3/quake3.exe +connect 1.2.3.4"));
    QCOMPARE(rec.requests[0].arguments, (QStringList{"+connect", "1.2.3.4"}));
    QCOMPARE(rec.requests[0].workingFolder, QString("C:/Games/Quake3/"));
}

void TestPlatform::waitsEndOnConditionOrDeadline()
{
    // The condition ends the wait: an event due long after it has not come yet.
    bool flag = false, later = false;
    QTimer::singleShot(30, [&] { flag = true; });
    QTimer::singleShot(3000, [&] { later = true; });
    QVERIFY(waitFor([&] { return flag; }, 5000));
    QVERIFY(!later);
    // The deadline ends it, and not before: events due inside it ran during the wait.
    bool inside = false;
    QTimer::singleShot(20, [&] { inside = true; });
    QVERIFY(!waitFor([] { return false; }, 100));
    QVERIFY(inside);
}

void TestPlatform::tickCountIsMillisecondsThatWrap_data()
{
    QTest::addColumn<qint64>("ns");
    QTest::addColumn<int>("tick");
    constexpr qint64 ms = 1000000;
    QTest::newRow("origin") << qint64(0) << 0;
    QTest::newRow("whole milliseconds only") << 2 * ms - 1 << 1;
    QTest::newRow("last positive") << (qint64(1) << 31) * ms - 1 << INT32_MAX;
    QTest::newRow("wraps to negative") << (qint64(1) << 31) * ms << INT32_MIN;
    QTest::newRow("wraps to zero") << (qint64(1) << 32) * ms + 5 * ms << 5;
}

void TestPlatform::tickCountIsMillisecondsThatWrap()
{
    QFETCH(qint64, ns);
    QFETCH(int, tick);
    {
        test::ManualClock clock(ns);
        QCOMPARE(tickCount(), tick);
        // Differences stay right across the wrap when taken modulo 2^32.
        clock.advanceMs(10);
        QCOMPARE(uint32_t(tickCount()) - uint32_t(tick), 10u);
    }
    // Back on the system's monotonic clock (the one QElapsedTimer reads here), in ms.
    QElapsedTimer before, after;
    QCOMPARE(before.clockType(), QElapsedTimer::MonotonicClock);
    before.start();
    const uint32_t now = uint32_t(tickCount());
    after.start();
    const uint32_t from = uint32_t(before.msecsSinceReference());
    QVERIFY2(now - from <= uint32_t(after.msecsSinceReference()) - from,
             qPrintable(QStringLiteral("%1 not in %2..%3")
                            .arg(now)
                            .arg(from)
                            .arg(uint32_t(after.msecsSinceReference()))));
}

// Every test program resolves host names without the system's resolver (a lookup leaves
// the machine): numeric addresses as they are, "localhost" to loopback, other names to none.
void TestPlatform::testsResolveNoNames()
{
    QVERIFY(hostLookupReplaced());
    QCOMPARE(lookUpHost("10.1.2.3"), QList<QHostAddress>{QHostAddress("10.1.2.3")});
    QCOMPARE(lookUpHost("localhost"), QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)});
    QVERIFY(lookUpHost("master.ioquake3.org").isEmpty());
    QVERIFY(lookUpHost("").isEmpty());
}

void TestPlatform::httpOutcomes()
{
    test::HttpTestServer server;
    server.serve("/lversion.dat", "1.01\r\n");
    HttpResponse ok;
    QVERIFY(httpGet(httpUrl(server.hostPort(), "/lversion.dat"), 5000, kHttpMaxBytes, &ok));
    QCOMPARE(ok.body, QByteArray("1.01\r\n"));

    HttpResponse missing;
    QVERIFY(!httpGet(httpUrl(server.hostPort(), "/nothing"), 5000, kHttpMaxBytes, &missing));
    QVERIFY(!missing.connectionFailure);

    server.serve("/big", QByteArray(5000, 'x'));
    HttpResponse big;
    QString error;
    QVERIFY(!httpGet(httpUrl(server.hostPort(), "/big"), 5000, 1000, &big, &error));
    QVERIFY(!big.connectionFailure);
    QCOMPARE(error, QString("The download is larger than 1000 bytes."));

    HttpResponse refused;
    QVERIFY(!httpGet(httpUrl(QString("127.0.0.1:%1").arg(test::closedPort()), "/x"), 5000,
                     kHttpMaxBytes, &refused));
    QVERIFY(refused.connectionFailure);
}

void TestPlatform::httpServerThatNeverAnswers()
{
    test::HttpTestServer server;
    server.hang("/slow");
    bool later = false;
    QTimer::singleShot(5000, [&] { later = true; });
    HttpResponse r;
    QVERIFY(!httpGet(httpUrl(server.hostPort(), "/slow"), 300, kHttpMaxBytes, &r));
    QVERIFY(r.connectionFailure);
    QVERIFY(!later); // its own limit ended it
}

void TestPlatform::filtersForTheFileDialog()
{
    QCOMPARE(toQtFilter("Q3test exe|quake3.exe"), QString("Q3test exe (quake3.exe)"));
    QCOMPARE(toQtFilter("*.pk3|*.pk3"), QString("*.pk3 (*.pk3)"));
    QCOMPARE(toQtFilter("A|*.a|B|*.b;*.c"), QString("A (*.a);;B (*.b *.c)"));
}

void TestPlatform::twipsAt96Dpi()
{
    // Without a GUI application the screen is taken as 96 dpi.
    QCOMPARE(twipsPerPixelX(), 15.0);
    QCOMPARE(twipsToPixelsX(7155), 477);
    QCOMPARE(twipsToPixelsX(3315), 221);
    QCOMPARE(pixelsToTwipsY(132), 1980);
}

void TestPlatform::driveListStartsWithRoot()
{
    QCOMPARE(driveList().value(0), QString("/"));
    setDriveListOverride({"/", "/tmp/a/"});
    QCOMPARE(driveList(), (QStringList{"/", "/tmp/a/"}));
    setDriveListOverride({});
}

void TestPlatform::colouredRuns_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("runs"); // colour index, 'a' when alternate, text
    QTest::addColumn<QString>("plain");
    QTest::newRow("Player") << "^7Pla^1yer^7" << QStringList{"7 Pla", "1 yer"} << "Player";
    QTest::newRow("no code is white") << "abc" << QStringList{"7 abc"} << "abc";
    QTest::newRow("double caret is drawn") << "^^1x" << QStringList{"7 ^", "1 x"} << "^x";
    QTest::newRow("eight and nine wrap") << "^8a^9b" << QStringList{"0 a", "1 b"} << "ab";
    QTest::newRow("alternate font")
        << QString("^2a") + QChar(225) << QStringList{"2 a", "2a a"} << QString("a") + QChar(225);
    QTest::newRow("trailing caret") << "a^" << QStringList{"7 a^"} << "a^";
}

void TestPlatform::colouredRuns()
{
    QFETCH(QString, code);
    QFETCH(QStringList, runs);
    QFETCH(QString, plain);
    QStringList got;
    for (const ColouredRun& r : fragdeck::colouredRuns(code))
        got.append(QString::number(r.colour) + (r.alternate ? "a " : " ") + r.text);
    QCOMPARE(got, runs);
    QCOMPARE(withoutColourCodes(code), plain);
    QCOMPARE(gameColour(4), qRgb(0, 0, 255));
    QCOMPARE(gameColour(11), qRgb(255, 255, 0));
    QCOMPARE(colouredHtml("^1<b>"), QString("<span style=\"color:#ff0000;\">&lt;b&gt;</span>"));
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
