// Launcher start to main window shown (offscreen, the shipped themes loaded).
// Each sample is a fresh process: QApplication, Form1, its start-up sequence up to the
// window shown with its icons; the child reports its own peak memory.
#include "BenchUtil.h"
#include "Form1.h"
#include "LauncherLogic.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace fragdeck;

static int child(int argc, char** argv)
{
    QElapsedTimer t;
    t.start();
    QApplication app(argc, argv);
    setProgramFolder(QStringLiteral(FRAGDECK_PROGRAM_DIR));
    launcher::Form1 form;
    form.load();
    const qint64 shown = t.elapsed();
    const int items = form.findChild<QListWidget*>(QStringLiteral("iconlist"))->count();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("shown %lld ms items %d maxrss %ld kB\n", static_cast<long long>(shown), items,
                ru.ru_maxrss);
    std::fflush(stdout);
    return items == 9 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return child(argc, argv);
    QCoreApplication app(argc, argv);
    QTemporaryDir store;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(store.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A configured installation: the start-up neither searches nor registers.
    launcher::saveOption(QStringLiteral("Q3path"), QStringLiteral("/usr/games/quake3"));
    launcher::saveOption(QStringLiteral("Firstrun_v6"), QStringLiteral("0"));
    settings::reset();

    std::vector<double> wall, inside;
    long peak = 0;
    for (int i = 0; i < 11; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        QByteArray line;
        while (p.waitForReadyRead(10000)) {
            line += p.readAll();
            if (line.contains('\n'))
                break;
        }
        const double us = double(t.nsecsElapsed()) / 1000.0;
        p.waitForFinished(10000);
        long ms = 0, items = 0, rss = 0;
        if (std::sscanf(line.constData(), "shown %ld ms items %ld maxrss %ld", &ms, &items, &rss) !=
                3 ||
            items != 9) {
            std::fprintf(stderr, "child failed: %s\n", line.constData());
            return 1;
        }
        if (i == 0)
            continue; // the first run warms the disk cache
        wall.push_back(us);
        inside.push_back(double(ms) * 1000.0);
        peak = std::max(peak, rss);
    }
    bench::report("launcher start to window shown (process)", wall, 300000);
    bench::report("  of which inside the process", inside, 300000);
    std::printf("%-40s %ld kB\n", "peak memory (max RSS)", peak);
    return 0;
}
