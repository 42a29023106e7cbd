// The internet server list against qstat, on one master and one fleet of loopback servers
// (servers_fleet, a process of its own), for the engine in this process and for
// fragdeck-query with its defaults: time to a complete list, the share of servers listed
// and of live ones answered, ping error against the fleet's set latency, datagrams per
// server, the longest event-loop stall and the memory the list takes; then a master that
// floods two million records, against the list's bounds. The fleet is on loopback, which
// has no country, so the cost of the country lookups is measured beside it: one uncached
// lookup for each of as many addresses spread over the public IPv4 space.
//
//   bench_servers [COUNT] [BIG_COUNT]      (1000 and 5000 by default)
#include "BenchUtil.h"
#include "core/Countries.h"
#include "servers/ServerList.h"
#include "testsupport/TestMaster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace fragdeck::servers;

namespace
{

struct FleetServer {
    int latencyMs = 0;
    bool silent = false;
};

// servers_fleet running, with what it set up.
class Fleet
{
public:
    bool start(int count, double loss, double silent)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(
            QCoreApplication::applicationDirPath() + "/servers_fleet",
            {QString::number(count), QString::number(loss), QString::number(silent), "71"});
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray pending;
        while (m_process.waitForReadyRead(30000) || m_process.canReadLine()) {
            while (m_process.canReadLine()) {
                const QList<QByteArray> w = m_process.readLine().trimmed().split(' ');
                if (w.value(0) == "master")
                    masterPort = quint16(w.value(1).toUInt());
                else if (w.value(0) == "server")
                    servers.insert(QString::fromLatin1(w.value(1)),
                                   {w.value(2).toInt(), w.value(3) == "1"});
                else if (w.value(0) == "ready")
                    return masterPort != 0;
            }
        }
        return false;
    }
    ~Fleet()
    {
        m_process.closeWriteChannel(); // its cue to end
        if (m_process.waitForFinished(5000))
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    int live() const
    {
        int n = 0;
        for (const FleetServer& s : servers)
            n += s.silent ? 0 : 1;
        return n;
    }

    quint16 masterPort = 0;
    QHash<QString, FleetServer> servers;

private:
    QProcess m_process;
};

long statusKb(const char* field)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

struct Figures {
    double seconds = 0;
    int listed = 0;
    int answered = 0;    // live servers answered
    int answeredAll = 0; // any answer (silent servers never answer)
    double pingMedian = 0;
    double pingP99 = 0;
    double pingMax = 0;
    double stallMs = -1;
    int datagrams = -1;
};

void pingError(Figures& f, const std::vector<double>& errors)
{
    f.pingMedian = percentile(errors, 0.5);
    f.pingP99 = percentile(errors, 0.99);
    f.pingMax = errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end());
}

Figures refresh(const Fleet& fleet, ServerList& list)
{
    Figures f;
    list.setResolver(fixedResolver({}));
    list.setMasters({{QStringLiteral("127.0.0.1"), fleet.masterPort}});
    list.setProtocol(71);
    QEventLoop loop;
    QObject::connect(&list, &ServerList::finished, &loop, &QEventLoop::quit);
    bench::StallWatch watch;
    watch.start();
    QElapsedTimer clock;
    clock.start();
    list.refresh();
    loop.exec();
    f.seconds = double(clock.nsecsElapsed()) / 1e9;
    watch.stop();
    f.stallMs = watch.longestMs();
    std::vector<double> errors;
    const ServerPoller& p = list.poller();
    for (int i = 0; i < p.size(); ++i) {
        const ServerResult& r = p.at(i);
        const auto it = fleet.servers.constFind(r.address.toString());
        if (it == fleet.servers.constEnd())
            continue;
        ++f.listed;
        if (r.status != ServerResult::Status::Ok)
            continue;
        ++f.answeredAll;
        if (!it->silent)
            ++f.answered;
        errors.push_back(std::abs(double(r.pingUs) / 1000.0 - it->latencyMs));
    }
    pingError(f, errors);
    f.datagrams = p.datagramsSent();
    return f;
}

// quakestat -q3m,71 MASTER -raw ,   lines: Q3S,address,name,map,max,players,ping,retries
Figures qstat(const Fleet& fleet, bool* ran)
{
    Figures f;
    QProcess q;
    QElapsedTimer clock;
    clock.start();
    q.start("quakestat",
            {"-q3m,71", QStringLiteral("127.0.0.1:%1").arg(fleet.masterPort), "-raw", ","});
    *ran = q.waitForStarted(10000) && q.waitForFinished(300000);
    f.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!*ran)
        return f;
    QSet<QString> listed;
    std::vector<double> errors;
    for (const QByteArray& line : q.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> w = line.split(',');
        if (w.value(0) != "Q3S")
            continue;
        const QString address = QString::fromLatin1(w.value(1));
        const auto it = fleet.servers.constFind(address);
        if (it == fleet.servers.constEnd() || listed.contains(address))
            continue;
        listed.insert(address);
        if (w.size() < 8)
            continue; // TIMEOUT, DOWN, ERROR
        ++f.answeredAll;
        if (!it->silent)
            ++f.answered;
        errors.push_back(std::abs(w.value(6).toDouble() - it->latencyMs));
    }
    f.listed = int(listed.size());
    pingError(f, errors);
    return f;
}

// fragdeck-query --master MASTER --protocol-version 71 --json, with its defaults otherwise.
Figures cli(const Fleet& fleet, bool* ran)
{
    Figures f;
    QTemporaryDir home; // a store of its own: the defaults
    QProcess q;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    q.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    q.start(QCoreApplication::applicationDirPath() + "/../fragdeck/fragdeck-query",
            {"--master", QStringLiteral("127.0.0.1:%1").arg(fleet.masterPort), "--protocol-version",
             "71", "--json"});
    *ran = q.waitForStarted(10000) && q.waitForFinished(300000);
    f.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!*ran)
        return f;
    std::vector<double> errors;
    for (const QJsonValue& v : QJsonDocument::fromJson(q.readAllStandardOutput()).array()) {
        const QJsonObject o = v.toObject();
        const auto it = fleet.servers.constFind(o["address"].toString());
        if (it == fleet.servers.constEnd())
            continue;
        ++f.listed;
        if (o["status"].toString() != QLatin1String("ok"))
            continue;
        ++f.answeredAll;
        if (!it->silent)
            ++f.answered;
        errors.push_back(std::abs(o["rtt_ms"].toDouble() - it->latencyMs));
    }
    pingError(f, errors);
    return f;
}

const char* mark(bool ok)
{
    return ok ? "OK" : "MISSED";
}

// Milliseconds for `count` first lookups (nothing cached) in the installed database; -1
// without one. Local only: no address is sent anything.
double lookupCost(int count, int* found)
{
    const fragdeck::CountryDatabase db(fragdeck::CountryDatabase::configuredPath());
    if (!db.isOpen())
        return -1;
    *found = 0;
    QElapsedTimer clock;
    clock.start();
    quint32 a = 0x01000000;
    for (int i = 0; i < count; ++i) {
        a += 0x9e3779b1u; // Weyl steps: addresses all over the space, none twice
        const quint32 v4 = 0x01000000u + a % 0xdf000000u; // 1.0.0.0 - 223.255.255.255
        if (!db.countryOf(QHostAddress(v4)).isEmpty())
            ++*found;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// One fleet of `count`, refreshed by the engine, fragdeck-query and qstat; the figures
// side by side. Returns false when the fleet did not start.
bool compare(int count, double targetSeconds)
{
    std::printf("\nServer list refresh: %d loopback servers (latency 5-80 ms, 2%% of requests "
                "lost, 5%% silent), one master\n",
                count);
    Figures engine, query, reference;
    bool cliRan = false, qstatRan = false;
    int live = 0;
    long idleKb = 0, heldKb = 0;
    {
        Fleet fleet;
        if (!fleet.start(count, 0.02, 0.05)) {
            std::fprintf(stderr, "bench_servers: the fleet did not start\n");
            return false;
        }
        live = fleet.live();
        ServerList list;
        idleKb = statusKb("VmRSS:");
        engine = refresh(fleet, list);
        heldKb = statusKb("VmRSS:");
        query = cli(fleet, &cliRan);
        reference = qstat(fleet, &qstatRan);
    }
    const auto pct = [&](int n, int of) { return of ? 100.0 * n / of : 0.0; };
    std::printf("%-36s %11s %14s %11s   %s\n", "", "engine", "fragdeck-query", "qstat 2.17",
                "target");
    std::printf("%-36s %9.2f s %12.2f s %9.2f s   <= %.1f s  %s\n", "time to a complete list",
                engine.seconds, query.seconds, reference.seconds, targetSeconds,
                mark(engine.seconds <= targetSeconds && query.seconds <= targetSeconds));
    std::printf("%-36s %9.1f %% %12.1f %% %9.1f %%   100%%  %s\n", "master's servers listed",
                pct(engine.listed, count), pct(query.listed, count), pct(reference.listed, count),
                mark(engine.listed == count && query.listed == count));
    std::printf("%-36s %9.1f %% %12.1f %% %9.1f %%   >= 99.5%%  %s\n",
                qPrintable(QStringLiteral("live servers answered (of %1)").arg(live)),
                pct(engine.answered, live), pct(query.answered, live),
                pct(reference.answered, live),
                mark(pct(engine.answered, live) >= 99.5 && pct(query.answered, live) >= 99.5));
    std::printf("%-36s %8.2f ms %11.2f ms %8.2f ms\n", "ping error, median", engine.pingMedian,
                query.pingMedian, reference.pingMedian);
    std::printf("%-36s %8.2f ms %11.2f ms %8.2f ms   <= 2 ms  %s\n", "ping error, p99",
                engine.pingP99, query.pingP99, reference.pingP99,
                mark(engine.pingP99 <= 2.0 && query.pingP99 <= 2.0));
    std::printf("%-36s %8.2f ms %11.2f ms %8.2f ms\n", "ping error, worst", engine.pingMax,
                query.pingMax, reference.pingMax);
    const double perServer = count ? double(engine.datagrams) / count : 0;
    std::printf("%-36s %11.2f %14s %11s   <= 1.2  %s\n", "query datagrams per server", perServer,
                "-", "-", mark(perServer <= 1.2));
    std::printf("%-36s %8.2f ms %14s %11s   <= 50 ms  %s\n", "longest event-loop stall",
                engine.stallMs, "-", "-", mark(engine.stallMs <= 50));
    std::printf("%-36s %8.1f MB %14s %11s\n", "memory the list takes",
                double(heldKb - idleKb) / 1024.0, "-", "-");
    int located = 0;
    const double lookupMs = lookupCost(count, &located);
    const double lookupBudgetMs = engine.seconds * 1000 * 0.05;
    if (lookupMs >= 0)
        std::printf("%-36s %8.2f ms %14s %11s   <= %.0f ms (5%%)  %s\n",
                    qPrintable(QStringLiteral("country lookups (%1 found)").arg(located)), lookupMs,
                    "-", "-", lookupBudgetMs, mark(lookupMs <= lookupBudgetMs));
    else
        std::printf("(no country lookups: no location database, package libloc-database)\n");
    if (!cliRan)
        std::printf("(fragdeck-query did not run: build it first)\n");
    if (!qstatRan)
        std::printf("(qstat did not run: install the Debian package qstat)\n");
    return true;
}

// A master that sends two million records, a datagram a millisecond and no end mark, to a
// list with its default bounds: what it takes, and the memory that costs.
void flood()
{
    constexpr int kRecords = 2000000;
    constexpr int kPerDatagram = 190;
    std::printf("\nA master flooding %d records (%d a datagram, one a millisecond, no end)\n",
                kRecords, kPerDatagram);
    fragdeck::test::TestMaster master;
    master.dripMs = 1;
    master.forge = [](const QByteArray&) {
        QList<QByteArray> out;
        quint32 next = 0;
        for (int sent = 0; sent < kRecords; sent += kPerDatagram) {
            QByteArray d("\xff\xff\xff\xffgetserversResponse");
            for (int k = 0; k < kPerDatagram; ++k, ++next) {
                const quint32 v = 0x7f000000u | (next & 0xffffff); // loopback: nothing leaves
                const char r[] = {'\\',    char(v >> 24), char(v >> 16), char(v >> 8),
                                  char(v), char(0x6d),    char(0x38)};
                d += QByteArray(r, 7);
            }
            out.append(d);
        }
        return out;
    };
    const long idleKb = statusKb("VmHWM:");
    ServerList list;
    list.setResolver(fixedResolver({}));
    list.setMasters({{QStringLiteral("127.0.0.1"), master.port()}});
    QEventLoop loop;
    QObject::connect(&list.masterClient(), &MasterClient::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    list.refresh();
    loop.exec();
    const double listSeconds = double(clock.nsecsElapsed()) / 1e9;
    const long peakKb = statusKb("VmHWM:");
    const MasterOutcome o = list.masterClient().outcomes().value(0);
    const MasterLimits limits = list.masterClient().limits();
    list.stop();
    std::printf("%-44s %14d   <= %d  %s\n", "datagrams taken", o.datagrams, limits.maxDatagrams,
                mark(o.datagrams <= limits.maxDatagrams));
    std::printf("%-44s %14d   <= %d  %s\n", "servers taken",
                int(list.masterClient().servers().size()), limits.maxServers,
                mark(list.masterClient().servers().size() <= limits.maxServers));
    std::printf("%-44s %12.2f s   <= %d s  %s\n", "list open for", listSeconds,
                limits.maxListMs / 1000, mark(listSeconds <= limits.maxListMs / 1000.0 + 0.5));
    std::printf("%-44s %11.1f MB   <= 150 MB  %s\n", "peak memory above the idle process",
                double(peakKb - idleKb) / 1024.0, mark(peakKb - idleKb <= 150 * 1024));
    std::printf("%-44s %s\n", "reported", qPrintable(o.notes(limits)));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = app.arguments().value(1, "1000").toInt();
    const int bigCount = app.arguments().value(2, "5000").toInt();
    if (!compare(count, 1.5) || !compare(bigCount, 3.5))
        return 1;
    flood();
    return 0;
}
