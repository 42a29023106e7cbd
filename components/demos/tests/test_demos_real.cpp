// OpenArena's own demos, as its Debian packages ship them inside their pk3 archives: read
// by the reader, damaged copies of them, and listed by the demo player's window. Skipped,
// with the reason, where the packages are not installed.
#include "DemoWindow.h"
#include "archive/ArchiveMember.h"
#include "archive/DemoSummary.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "testsupport/GameFolders.h"

#include <QDir>
#include <QLabel>
#include <QSet>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <random>

using namespace fragdeck;
using namespace fragdeck::demos;
using namespace fragdeck::test;

namespace
{

const QString kBase = QStringLiteral("/usr/share/games/openarena/baseoa/");
const QStringList kDemoArchives = {QStringLiteral("pak6-misc.pk3"),
                                   QStringLiteral("pak6-patch088.pk3")};

QString missingData()
{
    for (const QString& a : kDemoArchives)
        if (!QFileInfo::exists(kBase + a))
            return QStringLiteral("OpenArena's demos are not installed: %1 is missing "
                                  "(packages openarena-081-misc and openarena-088-data; "
                                  "scripts/install-deps installs them)")
                .arg(kBase + a);
    return QString();
}

QStringList membersUnder(const QString& archive, const QString& filter)
{
    archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
    QStringList out;
    for (const archive::ListedMember& m : archive::listMembers(unzip, archive, filter, "/nowhere/"))
        out.append(m.path);
    return out;
}

// Every map the archives hold, lower case.
QSet<QString> shippedMaps()
{
    QSet<QString> maps;
    for (const QString& pk3 : QDir(kBase).entryList({"*.pk3"}, QDir::Files))
        for (const QString& m : membersUnder(kBase + pk3, "MAPS/"))
            if (m.endsWith(".bsp", Qt::CaseInsensitive))
                maps.insert(m.mid(5, m.size() - 9).toLower());
    return maps;
}

// Two stress-test demos were recorded on maps that did not make it into the packages.
const QHash<QString, QString> kUnshippedMaps = {
    {QStringLiteral("demos/stress_q3dm6ishv2.dm_70"), QStringLiteral("q3dm6ish_v2")},
    {QStringLiteral("demos/stress_schism.dm_70"), QStringLiteral("schism-b2")}};

} // namespace

class TestDemosReal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsEachDemo_data();
    void readsEachDemo();
    void damagedCopies();
    void windowListsThem();
};

void TestDemosReal::readsEachDemo_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("member");
    const QString missing = missingData();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    int count = 0;
    for (const QString& a : kDemoArchives) {
        for (const QString& m : membersUnder(kBase + a, "DEMOS/")) {
            if (demoFormatOfName(m) == 0)
                continue;
            QTest::newRow(qPrintable(m)) << kBase + a << m;
            ++count;
        }
    }
    QVERIFY(count >= 10);
}

void TestDemosReal::readsEachDemo()
{
    QFETCH(QString, archive);
    QFETCH(QString, member);
    static const QSet<QString> maps = shippedMaps();
    const archive::DemoSource source{QString(), archive, member};
    const DemoInfo start = archive::readDemoSource(source, DemoDepth::GameState);
    const DemoInfo info = archive::readDemoSource(source, DemoDepth::Whole);
    QVERIFY2(info.readable, qPrintable(info.error));
    QCOMPARE(info.note, QString());
    QCOMPARE(info.protocol, demoFormatOfName(member));
    QCOMPARE(start.map, info.map);
    QCOMPARE(start.server, info.server);
    if (kUnshippedMaps.contains(member))
        QCOMPARE(info.map, kUnshippedMaps.value(member));
    else
        QVERIFY2(maps.contains(info.map.toLower()), qPrintable(info.map));
    QVERIFY(info.lengthKnown);
    QVERIFY2(info.durationMs >= 20000 && info.durationMs <= 600000,
             qPrintable(QString::number(info.durationMs)));
    QVERIFY(!info.players.isEmpty());
    QVERIFY(!info.recorder.isEmpty());
    QVERIFY(info.gameType == 0 || info.gameType == 4);
    qInfo("%s: %s on %s, %s, %lld players, %s", qPrintable(member), qPrintable(info.server),
          qPrintable(info.map), qPrintable(formatDuration(info.durationMs)),
          qlonglong(info.players.size()), qPrintable(gameTypeName(info.gameType)));
}

void TestDemosReal::damagedCopies()
{
    const QString missing = missingData();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    archive::ArchiveMembers::Member r;
    QString error;
    QVERIFY2(archive::readArchiveMember(kBase + "pak6-patch088.pk3", "demos/demo088-test1.dm_71",
                                        1 << 24, &r, &error),
             qPrintable(error));
    const QByteArray demo = r.data;
    std::mt19937 rng(11);
    int readable = 0, unreadable = 0;
    auto check = [&](const QByteArray& b) {
        const DemoInfo info = readDemo(b, 71, DemoDepth::Whole);
        if (info.readable) {
            ++readable;
            return !info.map.isEmpty() && info.durationMs >= 0;
        }
        ++unreadable;
        return info.error.startsWith(QLatin1String("not a readable demo: "));
    };
    // Cut anywhere: inside the first message the demo is unreadable; later it reads up to
    // the cut and says so.
    for (int i = 0; i < 300; ++i) {
        const qsizetype n = qsizetype(rng() % uint32_t(demo.size()));
        QVERIFY(check(demo.left(n)));
    }
    for (int i = 0; i < 300; ++i) {
        QByteArray b = demo;
        for (int f = 0; f < 1 + int(rng() % 20); ++f)
            b[qsizetype(rng() % uint32_t(b.size()))] = char(rng());
        QVERIFY(check(b));
    }
    QVERIFY(readable > 0 && unreadable > 0);
    const DemoInfo cut = readDemo(demo.left(demo.size() / 2), 71, DemoDepth::Whole);
    QVERIFY(cut.readable);
    QVERIFY(cut.note.contains("cut off"));
    QVERIFY(cut.durationMs > 0 && cut.durationMs < 169900);
}

void TestDemosReal::windowListsThem()
{
    const QString missing = missingData();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTemporaryDir dir;
    TempStore store;
    TempHome home(dir.filePath("home"));
    // An OpenArena installation: the program's own folder is made up, the data is the
    // distribution's.
    setUpOpenArena(fakeProgram(dir.filePath("oa/openarena")), home.path());

    DemoWindow w;
    w.show();
    auto* list = w.findChild<QTreeWidget*>("list_demos");
    QTRY_COMPARE_WITH_TIMEOUT(w.demosBeingRead(), 0, 20000);
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        names.append(item->text(DemoWindow::ColDemo));
        QVERIFY(!item->text(DemoWindow::ColMap).isEmpty());
        QVERIFY(item->text(DemoWindow::ColPlayers).toInt() >= 1);
        QVERIFY2(
            QRegularExpression("^\\d+:\\d\\d$").match(item->text(DemoWindow::ColLength)).hasMatch(),
            qPrintable(item->text(DemoWindow::ColLength)));
        QVERIFY(!item->text(DemoWindow::ColDate).isEmpty());
    }
    QVERIFY(names.contains("demo088-test1.dm_71"));
    QVERIFY(names.contains("flyby_oa_dm3.dm_70"));
    const int at = int(names.indexOf("demo088-test1.dm_71"));
    QTreeWidgetItem* item = list->topLevelItem(at);
    QCOMPARE(item->text(DemoWindow::ColMap), QStringLiteral("oa_shouse"));
    QCOMPARE(item->text(DemoWindow::ColPlayers), QStringLiteral("15"));
    QCOMPARE(item->text(DemoWindow::ColLength), QStringLiteral("2:49"));
    list->setCurrentItem(item);
    QVERIFY(w.shownLevelShot().endsWith("oa_shouse.jpg", Qt::CaseInsensitive) ||
            w.shownLevelShot().endsWith("oa_shouse.tga", Qt::CaseInsensitive));
    QVERIFY(w.findChild<QLabel*>("demoinfo")->text().contains("Recorded by: Test Player"));
}

QTEST_MAIN(TestDemosReal)
#include "test_demos_real.moc"
