// The internet server list against qstat, on one master and one fleet of loopback servers
// (servers_fleet, a process of its own): time to a complete list, the share of servers
// listed and of live ones answered, ping error against the fleet's set latency, peak
// memory, the longest event-loop stall of the refreshing process, and the memory a list
// of 5,000 servers takes.
//
//   bench_servers [COUNT] [BIG_COUNT]      (1000 and 5000 by default)
#include "BenchUtil.h"
#include "ServerList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace fragdeck::query;

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

const char* mark(bool ok)
{
    return ok ? "OK" : "MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = app.arguments().value(1, "1000").toInt();
    const int bigCount = app.arguments().value(2, "5000").toInt();

    std::printf("Server list refresh: %d loopback servers (latency 5-80 ms, 2%% of requests "
                "lost, 5%% silent), one master\n",
                count);
    Figures engine;
    Figures reference;
    bool qstatRan = false;
    int live = 0;
    {
        Fleet fleet;
        if (!fleet.start(count, 0.02, 0.05)) {
            std::fprintf(stderr, "bench_servers: the fleet did not start\n");
            return 1;
        }
        live = fleet.live();
        ServerList list;
        engine = refresh(fleet, list);
        reference = qstat(fleet, &qstatRan);
    }
    const long peakKb = statusKb("VmHWM:");
    const auto pct = [&](int n, int of) { return of ? 100.0 * n / of : 0.0; };

    std::printf("\n%-44s %14s %14s   %s\n", "", "fragdeck", "qstat 2.17", "target");
    std::printf("%-44s %12.2f s %12.2f s   <= 2.5 s  %s\n", "time to a complete list",
                engine.seconds, reference.seconds, mark(engine.seconds <= 2.5));
    std::printf("%-44s %8d %5.1f%% %8d %5.1f%%   100%%  %s\n", "master's servers listed",
                engine.listed, pct(engine.listed, count), reference.listed,
                pct(reference.listed, count), mark(engine.listed == count));
    std::printf("%-44s %8d %5.1f%% %8d %5.1f%%   >= 99.5%%  %s\n",
                qPrintable(QStringLiteral("live servers answered (of %1)").arg(live)),
                engine.answered, pct(engine.answered, live), reference.answered,
                pct(reference.answered, live), mark(pct(engine.answered, live) >= 99.5));
    std::printf("%-44s %11.2f ms %11.2f ms\n", "ping error, median", engine.pingMedian,
                reference.pingMedian);
    std::printf("%-44s %11.2f ms %11.2f ms   <= 2 ms  %s\n", "ping error, p99", engine.pingP99,
                reference.pingP99, mark(engine.pingP99 <= 2.0));
    std::printf("%-44s %11.2f ms %11.2f ms\n", "ping error, worst", engine.pingMax,
                reference.pingMax);
    std::printf("%-44s %11.2f ms %14s   <= 50 ms  %s\n", "longest event-loop stall", engine.stallMs,
                "-", mark(engine.stallMs <= 50));
    std::printf("%-44s %14d %14s   <= 3 each\n", "query datagrams sent (all servers)",
                engine.datagrams, "-");
    std::printf("%-44s %11.1f MB %14s\n", "peak memory of the refreshing process",
                double(peakKb) / 1024.0, "-");
    if (!qstatRan)
        std::printf("(qstat did not run: install the Debian package qstat)\n");

    // Memory a list of bigCount servers takes, over the idle process.
    Figures big;
    long idleKb = 0;
    long heldKb = 0;
    {
        Fleet fleet;
        if (!fleet.start(bigCount, 0.0, 0.05)) {
            std::fprintf(stderr, "bench_servers: the large fleet did not start\n");
            return 1;
        }
        ServerList list;
        idleKb = statusKb("VmRSS:");
        big = refresh(fleet, list);
        heldKb = statusKb("VmRSS:");
        std::printf("\n%d servers: complete list in %.2f s, %d listed, %d answered, longest "
                    "stall %.2f ms\n",
                    bigCount, big.seconds, big.listed, big.answeredAll, big.stallMs);
        std::printf("%-44s %11.1f MB %14s   <= 30 MB  %s\n",
                    qPrintable(QStringLiteral("memory above idle with %1 servers").arg(bigCount)),
                    double(heldKb - idleKb) / 1024.0, "-", mark(heldKb - idleKb <= 30 * 1024));
    }
    return 0;
}
