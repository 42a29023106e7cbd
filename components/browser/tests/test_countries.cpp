// Countries from the installed libloc database: lookups (local, nothing is sent to these
// addresses), the table's Country column, its sort and the country filter.
#include "ServerFilter.h"
#include "ServerTable.h"
#include "core/Countries.h"
#include "core/Settings.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::browser;

class TestCountries : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookups_data();
    void lookups();
    void missingOrForeignDatabase_data();
    void missingOrForeignDatabase();
    void columnSortAndFilter();
    void parseCountries_data();
    void parseCountries();

private:
    static bool installed() { return QFile::exists(CountryDatabase::defaultPath()); }
};

void TestCountries::lookups_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("country");
    // Registries' and universities' own networks, whose country does not move.
    QTest::newRow("google dns") << "8.8.8.8"
                                << "US";
    QTest::newRow("ripe ncc") << "193.0.6.139"
                              << "NL";
    QTest::newRow("ripe ncc v6") << "2001:67c:2e8:22::c100:68b"
                                 << "NL";
    QTest::newRow("tu berlin") << "130.149.1.1"
                               << "DE";
    QTest::newRow("u tokyo") << "133.11.0.1"
                             << "JP";
    QTest::newRow("nic.br") << "200.160.0.8"
                            << "BR";
    QTest::newRow("google dns v6") << "2001:4860:4860::8888"
                                   << "US";
    QTest::newRow("loopback") << "127.0.0.1"
                              << "";
    QTest::newRow("loopback v6") << "::1"
                                 << "";
    QTest::newRow("lan") << "192.168.1.20"
                         << "";
    QTest::newRow("private") << "10.0.0.1"
                             << "";
    QTest::newRow("link local") << "fe80::1"
                                << "";
}

void TestCountries::lookups()
{
    if (!installed())
        QSKIP("no location database here (package libloc-database)");
    QFETCH(QString, address);
    QFETCH(QString, country);
    const CountryDatabase db(CountryDatabase::defaultPath());
    QVERIFY2(db.isOpen(), qPrintable(db.error()));
    QCOMPARE(db.countryOf(QHostAddress(address)), country);
    QCOMPARE(db.countryOf(QHostAddress(address)), country); // kept
}

void TestCountries::missingOrForeignDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray() << "cannot be opened";
    QTest::newRow("not a database")
        << QByteArray("PK\3\4 not a location database") << "not a location database";
    QTest::newRow("empty file") << QByteArray("") << "not a location database";
}

void TestCountries::missingOrForeignDatabase()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("location.db");
    if (QTest::currentDataTag() != QLatin1String("missing"))
        test::writeFile(path, content);
    const CountryDatabase db(path);
    QVERIFY(!db.isOpen());
    QVERIFY2(db.error().contains(reason), qPrintable(db.error()));
    QCOMPARE(db.countryOf(QHostAddress("8.8.8.8")), QString());
    QVERIFY(!db.createdAt().isValid());

    // The table's column is empty, and says why.
    ServerTable t;
    t.setCountries(&db);
    ServerAddress a;
    const int i = t.ensureRow(serverKey("8.8.8.8", &a), a, Internet);
    QCOMPARE(t.index(i, ServerTable::Country).data().toString(), QString());
    QCOMPARE(t.index(i, ServerTable::Country).data(Qt::ToolTipRole).toString(), db.error());
    QCOMPARE(t.headerData(ServerTable::Country, Qt::Horizontal, Qt::ToolTipRole).toString(),
             db.error());
}

void TestCountries::columnSortAndFilter()
{
    if (!installed())
        QSKIP("no location database here (package libloc-database)");
    test::TempStore store;
    const CountryDatabase db(CountryDatabase::defaultPath());
    QVERIFY(db.createdAt().date().year() >= 2020);
    ServerTable t;
    t.setCountries(&db);
    // Rows are never queried here: the table only looks their addresses up.
    for (const char* k : {"130.149.1.1:27960", "8.8.8.8:27960", "127.0.0.1:27961",
                          "193.0.6.139:27960", "[2001:67c:2e8:22::c100:68b]:27960"}) {
        ServerAddress a;
        t.ensureRow(serverKey(k, &a), a, Internet);
    }
    const int de = t.rowOf("130.149.1.1:27960");
    QCOMPARE(t.index(de, ServerTable::Country).data().toString(), QString("DE"));
    QCOMPARE(t.index(de, ServerTable::Country).data(ServerTable::CountryRole).toString(),
             QString("DE"));
    QCOMPARE(t.index(de, ServerTable::Country).data(Qt::ToolTipRole).toString(),
             QString("Germany"));
    const int local = t.rowOf("127.0.0.1:27961");
    QCOMPARE(t.index(local, ServerTable::Country).data().toString(), QString());
    QVERIFY(t.index(local, ServerTable::Country).data(Qt::ToolTipRole).isNull());
    QCOMPARE(t.headerData(ServerTable::Country, Qt::Horizontal).toString(), QString("Country"));

    // By name: Germany, Netherlands (twice), United States; no country first going up.
    ServerFilterModel proxy(&t);
    proxy.sort(ServerTable::Country, Qt::AscendingOrder);
    QStringList codes;
    for (int r = 0; r < proxy.rowCount(); ++r)
        codes.append(proxy.index(r, ServerTable::Country).data().toString());
    QCOMPARE(codes, (QStringList{"", "DE", "NL", "NL", "US"}));

    ServerFilter f;
    f.countries = {"NL", "US"};
    proxy.setFilter(f);
    QCOMPARE(proxy.rowCount(), 3);
    f.countries = {"DE"};
    proxy.setFilter(f);
    QCOMPARE(proxy.rowCount(), 1);
    QCOMPARE(proxy.index(0, ServerTable::Address).data().toString(), QString("130.149.1.1:27960"));
    f.save();
    QCOMPARE(ServerFilter::load().countries, QStringList{"DE"});
}

void TestCountries::parseCountries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("one") << "de" << QStringList{"DE"};
    QTest::newRow("several") << " de, FR;nl  us" << QStringList{"DE", "FR", "NL", "US"};
    QTest::newRow("repeated") << "DE de" << QStringList{"DE"};
    QTest::newRow("not codes") << "Germany D1 x <b>" << QStringList();
}

void TestCountries::parseCountries()
{
    QFETCH(QString, text);
    QFETCH(QStringList, codes);
    QCOMPARE(ServerFilter::parseCountries(text), codes);
}

QTEST_MAIN(TestCountries)
#include "test_countries.moc"
