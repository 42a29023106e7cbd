// GetSetting over a store of 1,000 keys and SaveSetting (each call its own write).
#include "BenchUtil.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace fragdeck;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    settings::reset();
    for (int i = 0; i < 1000; ++i)
        SaveSetting("Fragtune", "Q3A", QString("Option %1").arg(i), QString::number(i));

    std::vector<double> reads, writes;
    for (int round = 0; round < 5000; ++round) {
        const QString key = QString("OPTION %1").arg(round % 1000);
        reads.push_back(bench::timeUs([&] { (void)GetSetting("fragtune", "q3a", key, "x"); }));
    }
    for (int round = 0; round < 2000; ++round) {
        const QString key = QString("Option %1").arg(round % 1000);
        writes.push_back(bench::timeUs([&] { SaveSetting("Fragtune", "Q3A", key, "v"); }));
    }
    bench::report("GetSetting (1,000 keys)", reads, 20.0);
    bench::report("SaveSetting (own write)", writes, 300.0);
    return 0;
}
