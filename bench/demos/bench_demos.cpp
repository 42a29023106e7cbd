// Listing 500 demos with what they hold: the game states alone (what fills the demo
// player's list), the demo player's window load, and whole reads (the lengths), beside
// `find` and `unzip -Z1` listing the same files. OpenArena's own demos are the templates
// where installed, made-up ones otherwise.
#include "BenchUtil.h"
#include "DemoWindow.h"
#include "archive/ArchiveMember.h"
#include "archive/DemoSummary.h"
#include "core/Settings.h"
#include "testsupport/DemoWriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <zip.h>

using namespace fragdeck;

namespace
{

constexpr int kLoose = 250;
constexpr int kArchived = 250;

struct Template {
    QString extension;
    QByteArray bytes;
};

QList<Template> templates()
{
    QList<Template> out;
    const QString base = QStringLiteral("/usr/share/games/openarena/baseoa/");
    const QStringList members = {"demos/flyby_compromise.dm_70", "demos/flyby_oa_dm3.dm_70",
                                 "demos/stress_bases3.dm_70", "demos/stress_sago.dm_70",
                                 "demos/stress_schism.dm_70"};
    for (const QString& m : members) {
        archive::ArchiveMembers::Member r;
        if (archive::readArchiveMember(base + "pak6-misc.pk3", m, 1 << 24, &r))
            out.append({".dm_70", r.data});
    }
    archive::ArchiveMembers::Member r;
    if (archive::readArchiveMember(base + "pak6-patch088.pk3", "demos/demo088-test1.dm_71", 1 << 24,
                                   &r))
        out.append({".dm_71", r.data});
    if (!out.isEmpty())
        return out;
    // Made up: a game state of about 5 KB (models, sounds, 16 players) and 2000 snapshots.
    QMap<int, QByteArray> cs = test::standardStrings("q3dm17", "^1Bench ^7Server", 0, 68, {});
    for (int i = 0; i < 150; ++i)
        cs.insert(32 + i, "models/mapobjects/object" + QByteArray::number(i) + ".md3");
    for (int i = 0; i < 16; ++i)
        cs.insert(544 + i, test::playerString({"Player" + QByteArray::number(i), 0}));
    test::DemoWriter w;
    w.gameState(cs, 0, 10);
    for (int i = 0; i < 2000; ++i)
        w.message({}, 10000 + i * 50);
    w.endMarker();
    out.append({".dm_68", w.bytes()});
    return out;
}

double runUs(const QString& program, const QStringList& args)
{
    return bench::timeUs([&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(program, args);
        p.waitForFinished(-1);
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    QApplication app(argc, argv);

    const QList<Template> kinds = templates();
    const QString base = dir.filePath("q3/baseq3/");
    QDir().mkpath(base + "demos");
    QList<archive::DemoSource> sources;
    qint64 bytes = 0;
    for (int i = 0; i < kLoose; ++i) {
        const Template& t = kinds[i % kinds.size()];
        const QString path =
            base + QStringLiteral("demos/loose%1").arg(i, 3, 10, QChar('0')) + t.extension;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(t.bytes) != t.bytes.size())
            return 1;
        sources.append({path, {}, {}});
        bytes += t.bytes.size();
    }
    const QString pk3 = base + "demos.pk3";
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(pk3).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (int i = 0; i < kArchived; ++i) {
        const Template& t = kinds[i % kinds.size()];
        const QString member =
            QStringLiteral("demos/packed%1").arg(i, 3, 10, QChar('0')) + t.extension;
        zip_source_t* src =
            zip_source_buffer(z, t.bytes.constData(), zip_uint64_t(t.bytes.size()), 0);
        zip_file_add(z, member.toLatin1().constData(), src, 0);
        sources.append({{}, pk3, member});
        bytes += t.bytes.size();
    }
    if (zip_close(z) != 0)
        return 1;
    std::printf("%d demos (%d loose, %d in one pk3), %.1f MB, from %s\n", kLoose + kArchived,
                kLoose, kArchived, double(bytes) / 1e6,
                kinds.size() > 1 ? "OpenArena's own demos" : "made-up demos");

    constexpr int kRounds = 7;
    std::vector<double> find, unzip;
    const QString findExe = QStandardPaths::findExecutable("find");
    const QString unzipExe = QStandardPaths::findExecutable("unzip");
    for (int r = 0; r < kRounds; ++r) {
        if (!findExe.isEmpty())
            find.push_back(runUs(findExe, {base + "demos", "-name", "*.dm_*"}));
        if (!unzipExe.isEmpty())
            unzip.push_back(runUs(unzipExe, {"-Z1", pk3}));
    }

    std::vector<double> states;
    double first = 0;
    int readable = 0;
    for (int r = 0; r < kRounds; ++r) {
        QList<DemoInfo> infos;
        const double us = bench::timeUs([&] { infos = archive::readGameStates(sources); });
        if (r == 0)
            first = us;
        states.push_back(us);
        readable = int(std::count_if(infos.begin(), infos.end(),
                                     [](const DemoInfo& i) { return i.readable; }));
    }

    SaveSetting("Fragdeck", "Options", "Q3path", base + "../ioquake3");
    SaveSetting("Fragdeck", "Options", "ConfigPath", base + "q3config.cfg");
    std::vector<double> window;
    int rows = 0;
    for (int r = 0; r < kRounds; ++r) {
        window.push_back(bench::timeUs([&] {
            demos::DemoWindow w;
            rows = w.findChild<QTreeWidget*>("list_demos")->topLevelItemCount();
        }));
    }

    std::vector<double> whole;
    qint64 totalMs = 0;
    for (int r = 0; r < 3; ++r) {
        whole.push_back(bench::timeUs([&] {
            totalMs = 0;
            for (const archive::DemoSource& s : sources)
                totalMs += archive::readDemoSource(s, DemoDepth::Whole).durationMs;
        }));
    }

    std::printf("reference: find over the loose demos      median %10.0f us\n",
                bench::median(find));
    std::printf("reference: unzip -Z1 on the demo archive  median %10.0f us\n",
                bench::median(unzip));
    std::printf(
        "game states of all 500 (%d readable): first run %.0f us (with building the code)\n",
        readable, first);
    bench::report("game states of 500 demos", states, 1e6);
    bench::report("demo player window with 500 rows", window, 1e6);
    std::printf("  (%d rows listed)\n", rows);
    bench::report("whole reads of 500 demos (lengths)", whole, 30e6);
    std::printf("  (%.1f hours of recordings)\n", double(totalMs) / 3.6e6);
    return 0;
}
