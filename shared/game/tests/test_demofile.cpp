// The demo reader on demos written the way the engine records them, and on broken ones.
#include "game/DemoFile.h"
#include "game/GameText.h"
#include "game/MessageBits.h"
#include "testsupport/DemoWriter.h"

#include <QtTest>
#include <random>

using namespace fragdeck;
using namespace fragdeck::test;

namespace
{

DemoInfo whole(const QByteArray& bytes, int format = 68)
{
    return readDemo(bytes, format, DemoDepth::Whole);
}

QStringList seen(const DemoInfo& info)
{
    QStringList out;
    for (const DemoPlayer& p : info.players)
        out << QStringLiteral("%1:%2:%3%4")
                   .arg(p.client)
                   .arg(p.name)
                   .arg(p.team)
                   .arg(p.left ? QStringLiteral(":left") : QString());
    return out;
}

} // namespace

class TestDemoFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fixedCode();
    void bitsRoundTrip();
    void gameStateOnly();
    void wholeDemo();
    void laterCommands_data();
    void laterCommands();
    void scores_data();
    void scores();
    void kinds_data();
    void kinds();
    void oldKindWithoutEntities();
    void playersSeenAreCapped();
    void formatOfName_data();
    void formatOfName();
    void broken_data();
    void broken();
    void damagedLater_data();
    void damagedLater();
    void everyTruncationAndMutation();
    void gameStateReadStopsEarly();
    void helpers();
};

void TestDemoFile::fixedCode()
{
    // Codes of the engine's own tree: a wrong tree garbles every demo.
    QCOMPARE(huffmanCodeOf(0).length, 2);
    QCOMPARE(huffmanCodeOf(0).bits, 2u);
    QCOMPARE(huffmanCodeOf(' ').length, 6);
    QCOMPARE(huffmanCodeOf(' ').bits, 55u);
    QCOMPARE(huffmanCodeOf('a').length, 8);
    QCOMPARE(huffmanCodeOf('a').bits, 60u);
    QCOMPARE(huffmanCodeOf(255).length, 6);
    QCOMPARE(huffmanCodeOf(255).bits, 36u);
    // A prefix code: no code starts another one.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const HuffmanCode ca = huffmanCodeOf(a), cb = huffmanCodeOf(b);
            if (a == b || ca.length > cb.length)
                continue;
            QVERIFY2((cb.bits & ((1u << ca.length) - 1)) != ca.bits,
                     qPrintable(QStringLiteral("%1 starts %2").arg(a).arg(b)));
        }
    }
}

void TestDemoFile::bitsRoundTrip()
{
    for (bool huffman : {true, false}) {
        MessageWriter w(huffman);
        for (int v = 0; v < 256; ++v)
            w.byte(v);
        w.bits(5, 3);
        w.bits(0x3ff, 10);
        w.shortValue(-2);
        w.longValue(-123456789);
        w.string("n\\Name^1Red\\t\\1");
        const QByteArray bytes = w.bytes();
        MessageBits r(bytes, huffman);
        for (int v = 0; v < 256; ++v)
            QCOMPARE(r.readByte(), v);
        QCOMPARE(r.readBits(3), 5);
        QCOMPARE(r.readBits(10), 0x3ff);
        QCOMPARE(r.readShort(), -2);
        QCOMPARE(r.readLong(), -123456789);
        QCOMPARE(r.readString(1024), QByteArray("n\\Name^1Red\\t\\1"));
        QVERIFY(!r.failed());
        // Past the end: a failure, and zero from then on.
        for (int i = 0; i < 4; ++i)
            r.readLong();
        QVERIFY(r.failed());
        QCOMPARE(r.readByte(), -1);
    }
}

void TestDemoFile::gameStateOnly()
{
    const QByteArray demo = simpleDemo("q3dm17", "^1Red ^7Server", {{"^2Rec", 0}, {"Bob", 3}});
    const DemoInfo g = readDemo(demo, 68, DemoDepth::GameState);
    QVERIFY2(g.readable, qPrintable(g.error));
    QCOMPARE(g.map, QStringLiteral("q3dm17"));
    QCOMPARE(g.server, QStringLiteral("^1Red ^7Server"));
    QCOMPARE(g.gameType, 0);
    QCOMPARE(g.protocol, 68);
    QCOMPARE(g.recorder, QStringLiteral("^2Rec"));
    QCOMPARE(g.recorderClient, 0);
    QCOMPARE(seen(g), (QStringList{"0:^2Rec:0", "1:Bob:3"}));
    QVERIFY(!g.wholeRead);
    QVERIFY(!g.lengthKnown);
}

void TestDemoFile::wholeDemo()
{
    const DemoInfo w = whole(simpleDemo("q3dm17", "srv", {{"Rec", 0}}, 65000));
    QVERIFY2(w.readable, qPrintable(w.error));
    QVERIFY(w.wholeRead);
    QVERIFY(w.lengthKnown);
    QCOMPARE(w.durationMs, 65000);
    QCOMPARE(w.note, QString());
    QCOMPARE(formatDuration(w.durationMs), QStringLiteral("1:05"));
}

void TestDemoFile::laterCommands_data()
{
    QTest::addColumn<QList<DemoCommand>>("commands");
    QTest::addColumn<QStringList>("players");
    QTest::addColumn<QString>("recorder");

    QTest::newRow("a player joins")
        << QList<DemoCommand>{{4, "cs 546 \"" + playerString({"Joe", 1}) + "\""}}
        << QStringList{"0:Rec:0", "1:Bob:0", "2:Joe:1"} << "Rec";
    QTest::newRow("renames and changes team")
        << QList<DemoCommand>{{4, "cs 545 \"" + playerString({"Robert", 2}) + "\""}}
        << QStringList{"0:Rec:0", "1:Robert:2"} << "Rec";
    QTest::newRow("the recorder renames")
        << QList<DemoCommand>{{4, "cs 544 \"" + playerString({"Rec2", 0}) + "\""}}
        << QStringList{"0:Rec2:0", "1:Bob:0"} << "Rec2";
    QTest::newRow("leaves, another takes the slot")
        << QList<DemoCommand>{{4, "cs 545 \"\""},
                              {5, "cs 545 \"" + playerString({"Ann", 0}) + "\""}}
        << QStringList{"0:Rec:0", "1:Bob:0:left", "1:Ann:0"} << "Rec";
    QTest::newRow("a command sent again counts once")
        << QList<DemoCommand>{{4, "cs 545 \"\""},
                              {5, "cs 545 \"" + playerString({"Ann", 0}) + "\""},
                              {4, "cs 545 \"\""}}
        << QStringList{"0:Rec:0", "1:Bob:0:left", "1:Ann:0"} << "Rec";
    QTest::newRow("commands of the game state's past are skipped")
        << QList<DemoCommand>{{3, "cs 546 \"" + playerString({"Old", 0}) + "\""}}
        << QStringList{"0:Rec:0", "1:Bob:0"} << "Rec";
    QTest::newRow("a long string in three parts")
        << QList<DemoCommand>{{4, "bcs0 546 \"n\\Lo\""},
                              {5, "bcs1 546 \"ng\\t\""},
                              {6, "bcs2 546 \"\\2\""}}
        << QStringList{"0:Rec:0", "1:Bob:0", "2:Long:2"} << "Rec";
    QTest::newRow("other commands change nothing") << QList<DemoCommand>{{4, "print \"cs 546 x\""},
                                                                         {5, "chat \"hi\""},
                                                                         {6, "cs"},
                                                                         {7, "cs x \"n\\X\""},
                                                                         {8, "cs 5000 \"n\\X\""}}
                                                   << QStringList{"0:Rec:0", "1:Bob:0"} << "Rec";
}

void TestDemoFile::laterCommands()
{
    QFETCH(QList<DemoCommand>, commands);
    QFETCH(QStringList, players);
    QFETCH(QString, recorder);
    DemoWriter w;
    w.gameState(standardStrings("dm", "srv", 0, 68, {{"Rec", 0}, {"Bob", 0}}), 0, 3);
    w.message({}, 1000);
    w.message(commands, 2000);
    w.message({}, 3000);
    w.endMarker();
    const DemoInfo info = whole(w.bytes());
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(seen(info), players);
    QCOMPARE(info.recorder, recorder);
    QCOMPARE(info.durationMs, 2000);
}

void TestDemoFile::scores_data()
{
    QTest::addColumn<int>("gameType");
    QTest::addColumn<QList<DemoCommand>>("commands");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("blue");
    QTest::newRow("capture the flag")
        << 4 << QList<DemoCommand>{{4, "cs 6 \"3\""}, {5, "cs 7 \"1\""}} << true << 3 << 1;
    QTest::newRow("last score counts")
        << 3 << QList<DemoCommand>{{4, "cs 6 \"3\""}, {5, "cs 7 \"1\""}, {6, "cs 6 \"4\""}} << true
        << 4 << 1;
    QTest::newRow("free for all has no team score")
        << 0 << QList<DemoCommand>{{4, "cs 6 \"3\""}, {5, "cs 7 \"1\""}} << false << 0 << 0;
    QTest::newRow("score not present")
        << 4 << QList<DemoCommand>{{4, "cs 6 \"-9999\""}, {5, "cs 7 \"1\""}} << false << 0 << 0;
    QTest::newRow("no scores sent") << 4 << QList<DemoCommand>{} << false << 0 << 0;
}

void TestDemoFile::scores()
{
    QFETCH(int, gameType);
    QFETCH(QList<DemoCommand>, commands);
    QFETCH(bool, known);
    QFETCH(int, red);
    QFETCH(int, blue);
    DemoWriter w;
    w.gameState(standardStrings("ctf1", "srv", gameType, 71, {{"Rec", 1}}), 0, 3);
    w.message(commands, 500);
    w.endMarker();
    const DemoInfo info = whole(w.bytes(), 71);
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.scoreKnown, known);
    if (known) {
        QCOMPARE(info.redScore, red);
        QCOMPARE(info.blueScore, blue);
    }
}

void TestDemoFile::kinds_data()
{
    QTest::addColumn<bool>("huffman");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("recorder");
    QTest::newRow("dm_68") << true << "a.dm_68" << 68 << "Rec";
    QTest::newRow("dm_71") << true << "a.dm_71" << 71 << "Rec";
    QTest::newRow("dm3, plain bits") << false << "a.dm3" << 43 << "";
    QTest::newRow("dm_48, plain bits") << false << "a.dm_48" << 48 << "";
    QTest::newRow("plain bits under a newer name") << false << "a.dm_68" << 45 << "";
    QTest::newRow("coded under an older name") << true << "a.dm3" << 66 << "Rec";
    QTest::newRow("no demo name") << true << "a.bin" << 67 << "Rec";
}

void TestDemoFile::kinds()
{
    QFETCH(bool, huffman);
    QFETCH(QString, fileName);
    QFETCH(int, protocol);
    QFETCH(QString, recorder);
    const QByteArray bytes = simpleDemo("q3dm1", "srv", {{"Rec", 0}}, 30000, 0, huffman, protocol);
    const DemoInfo info = whole(bytes, demoFormatOfName(fileName));
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.map, QStringLiteral("q3dm1"));
    QCOMPARE(info.protocol, protocol);
    // The oldest kinds send entities in a form this reader skips: no recorder number.
    QCOMPARE(info.recorder, recorder);
    QCOMPARE(info.durationMs, 30000);
}

void TestDemoFile::oldKindWithoutEntities()
{
    // Without entities in the game state, even the oldest kinds name the recorder.
    DemoWriter w(false);
    w.gameState(standardStrings("q3dm1", "srv", 0, 43, {{"Other", 0}, {"Rec", 0}}), 1, 0, false);
    w.message({}, 100);
    const DemoInfo info = whole(w.bytes(), 3);
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.recorder, QStringLiteral("Rec"));
}

void TestDemoFile::playersSeenAreCapped()
{
    DemoWriter w;
    w.gameState(standardStrings("q3dm1", "srv", 0, 68, {{"Rec", 0}}), 0, 0);
    QList<DemoCommand> churn;
    int sequence = 1;
    for (int i = 0; i < 1500; ++i) {
        churn.append(
            {sequence++, "cs 545 \"" + playerString({"P" + QByteArray::number(i), 0}) + "\""});
        churn.append({sequence++, "cs 545 \"\""});
        if (churn.size() >= 200) {
            w.message(churn, 1000 + i);
            churn.clear();
        }
    }
    w.message(churn, 5000);
    const DemoInfo info = whole(w.bytes());
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.players.size(), 1024);
    QCOMPARE(info.recorder, QStringLiteral("Rec"));
}

void TestDemoFile::formatOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::newRow("dm3") << "demo001.dm3" << 3;
    QTest::newRow("DM3") << "DEMO001.DM3" << 3;
    QTest::newRow("dm_48") << "x.dm_48" << 48;
    QTest::newRow("dm_66") << "x.dm_66" << 66;
    QTest::newRow("dm_68 in a folder") << "demos/sub/x.dm_68" << 68;
    QTest::newRow("dm_70") << "x.dm_70" << 70;
    QTest::newRow("dm_71") << "x.DM_71" << 71;
    QTest::newRow("dm_72") << "x.dm_72" << 0;
    QTest::newRow("dm_65") << "x.dm_65" << 0;
    QTest::newRow("dm_7") << "x.dm_7" << 0;
    QTest::newRow("bsp") << "x.bsp" << 0;
    QTest::newRow("no extension") << "dm_68" << 0;
}

void TestDemoFile::formatOfName()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QCOMPARE(demoFormatOfName(name), format);
}

void TestDemoFile::broken_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    auto header = [](int32_t seq, int32_t length) {
        QByteArray b(8, '\0');
        qToLittleEndian(seq, b.data());
        qToLittleEndian(length, b.data() + 4);
        return b;
    };
    const QByteArray good = simpleDemo("q3dm1", "srv", {{"Rec", 0}});
    QTest::newRow("empty") << QByteArray() << "the file is empty";
    QTest::newRow("half a header") << good.left(5) << "truncated";
    QTest::newRow("end marker first") << header(-1, -1) << "holds no messages";
    QTest::newRow("first message too long")
        << header(1, 20000) + QByteArray(100, 'x') << "claims 20000 bytes";
    QTest::newRow("negative length") << header(1, -5) << "claims -5 bytes";
    QTest::newRow("cut inside the first message") << good.left(40) << "truncated";
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)
                               << "claims";
    QTest::newRow("text") << QByteArray("seta name \"x\"\nseta rate 25000\n") << "claims";
    {
        MessageWriter m;
        m.longValue(0);
        m.byte(OpSnapshot);
        m.longValue(100);
        m.byte(OpEnd);
        DemoWriter w;
        w.raw(m.bytes());
        QTest::newRow("a snapshot before any game state") << w.bytes() << "no game state";
    }
    {
        DemoWriter w;
        w.gameState({{0, "\\sv_hostname\\x\\g_gametype\\0"}}, 0);
        QTest::newRow("a game state without a map") << w.bytes() << "names no map";
    }
    {
        MessageWriter m;
        m.longValue(0);
        m.byte(OpGameState);
        m.longValue(0);
        m.byte(OpConfigString);
        m.shortValue(2000);
        m.string("\\mapname\\x");
        m.byte(OpEnd);
        DemoWriter w;
        w.raw(m.bytes());
        QTest::newRow("configuration string out of range") << w.bytes() << "damaged";
    }
    {
        MessageWriter m;
        m.longValue(0);
        m.byte(OpGameState);
        m.longValue(0);
        m.byte(OpBaseline);
        m.bits(1, 10);
        m.bits(0, 1);
        m.bits(1, 1);
        m.byte(200); // more fields than an entity has
        DemoWriter w;
        w.raw(m.bytes());
        QTest::newRow("entity with too many fields") << w.bytes() << "damaged";
    }
}

void TestDemoFile::broken()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    for (DemoDepth depth : {DemoDepth::GameState, DemoDepth::Whole}) {
        const DemoInfo info = readDemo(bytes, 68, depth);
        QVERIFY(!info.readable);
        QVERIFY2(info.error.startsWith(QLatin1String("not a readable demo: ")),
                 qPrintable(info.error));
        QVERIFY2(info.error.contains(why), qPrintable(info.error));
    }
}

void TestDemoFile::damagedLater_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("note");
    QTest::addColumn<qint64>("duration");
    QTest::newRow("no end marker") << QByteArray() << QString() << qint64(1000);
    QByteArray cut(8, '\0');
    qToLittleEndian<int32_t>(50, cut.data() + 4);
    QTest::newRow("last message cut off") << cut + "abc"
                                          << "cut off" << qint64(1000);
    QByteArray huge(8, '\0');
    qToLittleEndian<int32_t>(1 << 20, huge.data() + 4);
    QTest::newRow("absurd length") << huge << "claims 1048576 bytes" << qint64(1000);
    MessageWriter m;
    m.longValue(0);
    m.byte(42);
    QByteArray bad(8, '\0');
    qToLittleEndian<int32_t>(int32_t(m.bytes().size()), bad.data() + 4);
    QTest::newRow("unknown operation") << bad + m.bytes() << "unknown operation 42" << qint64(1000);
}

void TestDemoFile::damagedLater()
{
    QFETCH(QByteArray, tail);
    QFETCH(QString, note);
    QFETCH(qint64, duration);
    DemoWriter w;
    w.gameState(standardStrings("q3dm1", "srv", 0, 68, {{"Rec", 0}}), 0, 3);
    w.message({}, 5000);
    w.message({}, 6000);
    const DemoInfo info = whole(w.bytes() + tail);
    // What came before the damage still counts: the game plays up to it too.
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.durationMs, duration);
    if (note.isEmpty())
        QCOMPARE(info.note, QString());
    else
        QVERIFY2(info.note.contains(note), qPrintable(info.note));
}

void TestDemoFile::everyTruncationAndMutation()
{
    DemoWriter w;
    w.gameState(standardStrings("q3dm1", "^1srv", 4, 68, {{"Rec", 0}, {"Bob", 1}}), 0, 3);
    w.message({{4, "cs 546 \"" + playerString({"Joe", 2}) + "\""}, {5, "bcs0 6 \"1\""}}, 5000);
    w.message({{6, "bcs2 6 \"2\""}, {7, "cs 7 \"3\""}}, 6000);
    w.endMarker();
    const QByteArray demo = w.bytes();
    QVERIFY(whole(demo).readable);
    auto check = [](const QByteArray& b) {
        for (int format : {68, 3, 0}) {
            const DemoInfo info = whole(b, format);
            if (!info.readable && !info.error.startsWith(QLatin1String("not a readable demo: ")))
                return false;
            if (info.readable && (info.map.isEmpty() || info.durationMs < 0))
                return false;
        }
        return true;
    };
    for (qsizetype n = 0; n <= demo.size(); ++n)
        QVERIFY2(check(demo.left(n)), qPrintable(QString::number(n)));
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        QByteArray b = demo;
        const int flips = 1 + int(rng() % 6);
        for (int f = 0; f < flips; ++f)
            b[qsizetype(rng() % uint32_t(b.size()))] = char(rng());
        QVERIFY(check(b));
    }
}

void TestDemoFile::gameStateReadStopsEarly()
{
    // A game-state read never looks past the first message, whatever follows it.
    DemoWriter w;
    w.gameState(standardStrings("q3dm1", "srv", 0, 68, {{"Rec", 0}}), 0);
    QByteArray bytes = w.bytes() + QByteArray(64 * 1024, '\xff');
    const DemoInfo info = readDemo(bytes, 68, DemoDepth::GameState);
    QVERIFY(info.readable);
    QVERIFY(!info.lengthKnown);
    QCOMPARE(info.note, QString());
}

void TestDemoFile::helpers()
{
    QCOMPARE(withoutColourCodes(QStringLiteral("^1Red^7Name")), QStringLiteral("RedName"));
    QCOMPARE(withoutColourCodes(QStringLiteral("a^^b^")), QStringLiteral("a^^"));
    QCOMPARE(gameTypeName(4), QStringLiteral("Capture the Flag"));
    QCOMPARE(gameTypeName(99), QStringLiteral("Game type 99"));
    QCOMPARE(formatDuration(59999), QStringLiteral("0:59"));
    QCOMPARE(formatDuration(3600000 + 61000), QStringLiteral("1:01:01"));
    QCOMPARE(teamName(2), QStringLiteral("blue"));
}

QTEST_APPLESS_MAIN(TestDemoFile)
#include "test_demofile.moc"
