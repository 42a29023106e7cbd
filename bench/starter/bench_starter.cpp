// Loading the match starter (scan of every archive, tree, index) over a data folder of 30
// archives holding 20,000 members, against `unzip -Z1` listing the same archives, timed in
// the same run. Target: at most 1.5 times the reference.
#include "BenchUtil.h"
#include "MapScan.h"
#include "StarterWindow.h"
#include "core/Settings.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

using namespace fragdeck;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString unzipTool = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzipTool.isEmpty()) {
        std::printf("unzip is not installed: no reference to measure against\n");
        return 1;
    }

    QTemporaryDir dir;
    test::TempStore store;
    const QString base = dir.path() + QStringLiteral("/game/baseq3/");
    QDir().mkpath(base);
    constexpr int archives = 30, members = 20000;
    QStringList paths;
    for (int a = 0; a < archives; ++a) {
        QList<test::ZipMember> list;
        const int count = members / archives + (a < members % archives ? 1 : 0);
        for (int i = 0; i < count; ++i) {
            QString name;
            switch (i % 10) {
            case 0:
                name = QStringLiteral("maps/map%1_%2.bsp").arg(a).arg(i);
                break;
            case 1:
                name = QStringLiteral("maps/map%1_%2.aas").arg(a).arg(i - 1);
                break;
            case 2:
                name = QStringLiteral("levelshots/map%1_%2.jpg").arg(a).arg(i - 2);
                break;
            default:
                name = QStringLiteral("textures/set%1/tex%2.tga").arg(a).arg(i);
                break;
            }
            list.append({name, QByteArray(16, 'x')});
        }
        const QString path = base + QStringLiteral("pak%1.pk3").arg(a, 2, 10, QLatin1Char('0'));
        test::writeZip(path, list);
        paths.append(path);
    }
    test::writeFile(dir.path() + "/game/ioquake3", "#!/bin/sh\n");
    SaveSetting("Fragdeck", "Options", "Q3path", dir.path() + "/game/ioquake3");
    SaveSetting("Fragdeck", "Options", "ConfigPath", base + "q3config.cfg");
    const QString component = dir.path() + QStringLiteral("/system");

    std::vector<double> perArchive, wildcard, load, scanOnly;
    qint64 listedLines = 0;
    int maps = 0;
    for (int round = 0; round < 7; ++round) {
        perArchive.push_back(bench::timeUs([&] {
            for (const QString& p : paths) {
                QProcess unzip;
                unzip.start(unzipTool, {QStringLiteral("-Z1"), p});
                unzip.waitForFinished(-1);
                listedLines += unzip.readAllStandardOutput().count('\n');
            }
        }));
        wildcard.push_back(bench::timeUs([&] {
            QProcess unzip;
            unzip.start(unzipTool, {QStringLiteral("-Z1"), base + QStringLiteral("*.pk3")});
            unzip.waitForFinished(-1);
            unzip.readAllStandardOutput();
        }));
        load.push_back(bench::timeUs([&] {
            starter::StarterWindow w;
            maps = w.scan().mapCount();
        }));
        scanOnly.push_back(bench::timeUs([&] {
            archive::UnzipModule unzip(archive::UnzipVariant::PrefixFilter);
            maps = starter::scanMaps({base}, unzip, component + "/test/").mapCount();
        }));
    }
    std::printf("%d archives, %d members, %d maps listed, %lld lines from unzip per round\n",
                archives, members, maps, listedLines / 7);
    const double ref = std::min(bench::median(perArchive), bench::median(wildcard));
    std::printf("reference: unzip -Z1 per archive   median %10.2f us\n", bench::median(perArchive));
    std::printf("reference: unzip -Z1 '*.pk3' once  median %10.2f us\n", bench::median(wildcard));
    bench::report("match starter load (window)", load, 1.5 * ref);
    bench::report("map scan alone", scanOnly, 1.5 * ref);
    std::printf("load / faster reference = %.3f (target <= 1.5)\n", bench::median(load) / ref);
    return 0;
}
