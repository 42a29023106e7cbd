// The fleet side of bench_servers, in a process of its own: COUNT loopback game servers
// (127.0.0.2 ...) with latencies of 5-80 ms, a share of requests lost and a share of servers
// silent, all listed by one master. Prints "master PORT", one "server ADDRESS LATENCY SILENT"
// line per server and "ready", then serves until its standard input closes.
#include "testsupport/TestFleet.h"
#include "testsupport/TestMaster.h"

#include <QCoreApplication>
#include <cstdio>
#include <random>
#include <thread>

using fragdeck::test::TestFleet;
using fragdeck::test::TestMaster;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int count = a.value(1, "1000").toInt();
    const double loss = a.value(2, "0.02").toDouble();
    const double silentShare = a.value(3, "0.05").toDouble();
    const int protocol = a.value(4, "71").toInt();
    TestFleet fleet;
    fleet.lossRate = loss;
    fleet.seed = 42;
    if (!fleet.start(count)) {
        std::fprintf(stderr, "servers_fleet: cannot bind %d loopback servers\n", count);
        return 1;
    }
    std::mt19937 random(42);
    std::uniform_int_distribution<int> latency(5, 80);
    std::uniform_real_distribution<double> share(0, 1);
    TestMaster master;
    for (int i = 0; i < fleet.size(); ++i) {
        TestFleet::Server& s = fleet.server(i);
        s.latencyMs = latency(random);
        s.silent = share(random) < silentShare;
        s.protocol = protocol;
        s.bots = i % 4;
        s.humans = i % 3;
        master.addServer(s.host, s.port, protocol);
    }
    std::printf("master %u\n", master.port());
    for (int i = 0; i < fleet.size(); ++i)
        std::printf("server %s:%u %d %d\n", qPrintable(fleet.server(i).host.toString()),
                    fleet.server(i).port, fleet.server(i).latencyMs,
                    fleet.server(i).silent ? 1 : 0);
    std::printf("ready\n");
    std::fflush(stdout);
    // Ends with the benchmark that started it, however that ends.
    std::thread([] {
        while (std::fgetc(stdin) != EOF) {
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();
    return app.exec();
}
