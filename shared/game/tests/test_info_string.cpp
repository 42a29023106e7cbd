#include "game/GameText.h"
#include "game/InfoString.h"
#include "game/ReplyReader.h"

#include <QtTest>

using namespace fragdeck;

class TestInfoString : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pairs_data();
    void pairs();
    void wholeKey_data();
    void wholeKey();
    void firstText_data();
    void firstText();
    void lines_data();
    void lines();
    void byteBound();
    void colourCodes_data();
    void colourCodes();
};

void TestInfoString::pairs_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QByteArray>("pairs");
    QTest::newRow("leading backslash") << QByteArray("\\a\\1\\b\\2") << QByteArray("a=1;b=2;");
    QTest::newRow("none") << QByteArray("a\\1") << QByteArray("a=1;");
    QTest::newRow("key at the end") << QByteArray("\\a\\1\\b") << QByteArray("a=1;b=;");
    QTest::newRow("trailing backslash") << QByteArray("\\a\\1\\") << QByteArray("a=1;");
    QTest::newRow("empty value") << QByteArray("\\a\\\\b\\2") << QByteArray("a=;b=2;");
    QTest::newRow("empty key") << QByteArray("a\\1\\\\") << QByteArray("a=1;=;");
    QTest::newRow("only a backslash") << QByteArray("\\") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestInfoString::pairs()
{
    QFETCH(QByteArray, info);
    QByteArray seen;
    InfoString(info).forEachPair([&](QByteArrayView k, QByteArrayView v) {
        seen += k.toByteArray() + '=' + v.toByteArray() + ';';
    });
    QTEST(seen, "pairs");
}

void TestInfoString::wholeKey_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("second pair") << QByteArray("\\a\\1\\b\\2") << QByteArray("b") << true
                                 << QByteArray("2");
    QTest::newRow("any case") << QByteArray("\\MapName\\q3dm1") << QByteArray("mapname") << true
                              << QByteArray("q3dm1");
    QTest::newRow("first wins") << QByteArray("\\a\\1\\a\\2") << QByteArray("a") << true
                                << QByteArray("1");
    QTest::newRow("key without value")
        << QByteArray("\\a\\1\\b") << QByteArray("b") << true << QByteArray();
    QTest::newRow("part of a key")
        << QByteArray("\\ab\\1") << QByteArray("a") << false << QByteArray();
    QTest::newRow("a value is no key")
        << QByteArray("\\a\\b\\c\\d") << QByteArray("b") << false << QByteArray();
}

void TestInfoString::wholeKey()
{
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    const auto v = InfoString(info).find(key);
    QCOMPARE(v.has_value(), found);
    QTEST(InfoString(info).value(key), "value");
}

void TestInfoString::firstText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("skip");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("key") << QByteArray("\\sv_hostname\\Srv\\mapname\\q3dm1")
                         << QByteArray("sv_hostname\\") << -1 << true << QByteArray("Srv");
    QTest::newRow("any case, to the line end")
        << QByteArray("\\SV_HOSTNAME\\Srv\n0 0 \"p\"") << QByteArray("sv_hostname\\") << -1 << true
        << QByteArray("Srv");
    QTest::newRow("inside another key")
        << QByteArray("\\xsv_hostname\\In\\sv_hostname\\Out") << QByteArray("sv_hostname\\") << -1
        << true << QByteArray("In");
    QTest::newRow("skip past any separator")
        << QByteArray("\\time_remaining:12\\x") << QByteArray("time_remaining") << 15 << true
        << QByteArray("12");
    QTest::newRow("a backslash past the line")
        << QByteArray("\\mapname\\a\nb\\c") << QByteArray("mapname\\") << -1 << true
        << QByteArray("a\nb");
    QTest::newRow("at the very end")
        << QByteArray("\\mapname\\") << QByteArray("mapname\\") << -1 << true << QByteArray();
    QTest::newRow("skip past the end")
        << QByteArray("\\time_remaining") << QByteArray("time_remaining") << 15 << true
        << QByteArray();
    QTest::newRow("absent") << QByteArray("\\map\\x") << QByteArray("mapname\\") << -1 << false
                            << QByteArray();
}

void TestInfoString::firstText()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, text);
    QFETCH(int, skip);
    QFETCH(bool, found);
    const auto v = InfoString(reply).find(text, KeyMatch::FirstText, skip);
    QCOMPARE(v.has_value(), found);
    if (found)
        QTEST(v->toByteArray(), "value");
}

void TestInfoString::lines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("two") << QByteArray("a\nb\n") << QByteArray("a|b|");
    QTest::newRow("blank line") << QByteArray("a\n\nb") << QByteArray("a||b|");
    QTest::newRow("no line end") << QByteArray("abc") << QByteArray("abc|");
    QTest::newRow("only a line end") << QByteArray("\n") << QByteArray("|");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestInfoString::lines()
{
    QFETCH(QByteArray, text);
    ReplyReader r(text);
    QByteArray seen;
    while (!r.atEnd())
        seen += r.takeLine().toByteArray() + '|';
    QTEST(seen, "lines");
    QVERIFY(r.takeLine().isEmpty()); // taking past the end stays inside the text
}

void TestInfoString::byteBound()
{
    const QByteArray text("abcdef");
    QCOMPARE(ReplyReader(text, 3).text(), QByteArrayView("abc"));
    QVERIFY(ReplyReader(text, 3).clipped());
    QVERIFY(!ReplyReader(text, 6).clipped());
    QCOMPARE(ReplyReader(text, 100).text(), QByteArrayView(text));
}

void TestInfoString::colourCodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("game");        // as the game draws it
    QTest::addColumn<QString>("queryEngine"); // as the query engine cuts names
    QTest::newRow("codes") << "^1Na^2me"
                           << "Name"
                           << "Name";
    // The game keeps the first caret and reads the second as a code.
    QTest::newRow("double caret") << "a^^b"
                                  << "a^"
                                  << "ab";
    QTest::newRow("double caret, code") << "a^^1b"
                                        << "a^b"
                                        << "a1b";
    QTest::newRow("trailing caret") << "Name^"
                                    << "Name^"
                                    << "Name";
}

void TestInfoString::colourCodes()
{
    QFETCH(QString, text);
    QFETCH(QString, game);
    QFETCH(QString, queryEngine);
    QCOMPARE(withoutColourCodes(text), game);
    QCOMPARE(withoutColourCodes(text, CaretRule::QueryEngine), queryEngine);
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(withoutColourCodes(bytes, CaretRule::Game), game.toLatin1());
    QCOMPARE(withoutColourCodes(bytes, CaretRule::QueryEngine), queryEngine.toLatin1());
}

QTEST_GUILESS_MAIN(TestInfoString)
#include "test_info_string.moc"
