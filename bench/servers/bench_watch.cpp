// The watcher over an hour: 50 favourites and 20 friends looked at every 60 s, 60 looks one
// after another on loopback servers (the hour's timer is the only thing not run), with the
// datagrams sent, the CPU time and the memory against their targets.
//
//   bench_watch [SERVERS] [FRIENDS] [LOOKS]     (50, 20 and 60 by default)
#include "servers/Watcher.h"
#include "testsupport/TestFleet.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <sys/resource.h>

using namespace fragdeck::servers;
using fragdeck::ServerAddress;

namespace
{

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const char* mark(bool ok)
{
    return ok ? "OK" : "MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int servers = app.arguments().value(1, "50").toInt();
    const int friends = app.arguments().value(2, "20").toInt();
    const int looks = app.arguments().value(3, "60").toInt();
    fragdeck::test::TestFleet fleet;
    fleet.lossRate = 0.02;
    // The hour is run look after look without its minutes between: the servers' limit of
    // one request a second would count that against the watcher, which the hour never does.
    fleet.rateLimit = false;
    if (!fleet.start(servers)) {
        std::fprintf(stderr, "bench_watch: the fleet did not start\n");
        return 1;
    }
    QStringList patterns;
    for (int i = 0; i < friends; ++i)
        patterns.append(QStringLiteral("*Friend%1*").arg(i));
    QList<ServerAddress> watched;
    for (int i = 0; i < fleet.size(); ++i) {
        fleet.server(i).latencyMs = 5 + i % 60;
        fleet.server(i).humans = 4;
        watched.append({fleet.server(i).host, fleet.server(i).port});
    }
    Watcher w;
    w.setServers(watched);
    w.setFriends(FriendList(patterns));
    int events = 0;
    QObject::connect(&w, &Watcher::event, [&] { ++events; });
    QEventLoop loop;
    QObject::connect(&w, &Watcher::lookFinished, &loop, &QEventLoop::quit);
    qint64 rssAfterFirst = 0;
    const double cpuBefore = cpuSeconds();
    for (int look = 0; look < looks; ++look) {
        // Friends come and go between looks, as on a real evening.
        for (int i = 0; i < fleet.size(); ++i)
            fleet.server(i).humanNames = {
                QStringLiteral("^%1Friend%2").arg(i % 8).arg((i + look) % friends).toLatin1(),
                "Visor"};
        w.lookNow();
        if (w.isLooking())
            loop.exec();
        if (look == 0)
            rssAfterFirst = fragdeck::test::residentKb();
    }
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 rssEnd = fragdeck::test::residentKb();
    const double perServerLook = double(w.datagramsSent()) / (double(servers) * looks);
    std::printf(
        "Watcher: %d servers, %d friends, %d looks (an hour at 60 s), 2%% of datagrams lost\n\n",
        servers, friends, looks);
    std::printf("%-44s %10lld\n", "datagrams sent", static_cast<long long>(w.datagramsSent()));
    std::printf("%-44s %10.3f   <= 1 + a retry for the lost  %s\n", "datagrams per server per look",
                perServerLook, mark(perServerLook <= 1.1));
    std::printf("%-44s %10.3f s   <= 1 s an hour  %s\n", "CPU time", cpu, mark(cpu <= 1.0));
    std::printf("%-44s %10.1f MB   no growth  %s\n", "memory after the last look less the first",
                double(rssEnd - rssAfterFirst) / 1024.0, mark(rssEnd - rssAfterFirst <= 1024));
    std::printf("%-44s %10d\n", "events", events);
    return 0;
}
