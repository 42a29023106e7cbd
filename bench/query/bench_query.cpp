// Query engine figures: Connect against a bare socket round trip, the CPU cost of a
// time-out, and the field operations on a full 32-player reply.
#include "BenchUtil.h"
#include "Commander.h"
#include "QuerySocket.h"

#include <QCoreApplication>
#include <QUdpSocket>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using fragdeck::query::Commander;

namespace
{

// The status reply of a full server: about 1,400 bytes, 32 players.
QByteArray fullReply()
{
    QByteArray r = QByteArray(4, '\xff') + "statusResponse\n";
    r += "\\sv_hostname\\^1Bench ^7Arena\\mapname\\q3dm17\\sv_maxclients\\32\\g_gametype\\0"
         "\\time_remaining\\12:00\\score_a\\10\\score_b\\8\\fraglimit\\30\\timelimit\\20"
         "\\version\\ioq3 1.36_GIT linux-x86_64 Apr 25 2020\\protocol\\68\\sv_privateClients\\0"
         "\\g_needpass\\0\\sv_floodProtect\\1\\sv_maxPing\\0\\sv_minPing\\0"
         "\\sv_maxRate\\25000\\dmflags\\0\\capturelimit\\8\\sv_allowDownload\\0"
         "\\bot_minplayers\\0\\g_maxGameClients\\0\\gamename\\baseq3"
         "\\sv_dlURL\\http://maps.example.org/baseq3/\n";
    for (int i = 0; i < 32; ++i)
        r += QByteArray::number(i * 3) + " " + QByteArray::number(20 + i) + " \"^" +
             QByteArray::number(i % 8) + "Player^7" + QByteArray::number(i) + "_longname\"\n";
    return r;
}

// A loopback server on its own thread: answers every datagram at once, or never.
class EchoServer
{
public:
    explicit EchoServer(QByteArray reply, bool silent = false)
        : m_reply(std::move(reply)), m_silent(silent)
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        timeval tv{0, 100000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        m_thread = std::thread([this] { run(); });
    }
    ~EchoServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    quint16 port() const { return m_port; }

private:
    void run()
    {
        char buf[2048];
        while (!m_stop) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0 || m_silent)
                continue;
            ::sendto(m_fd, m_reply.constData(), size_t(m_reply.size()), 0,
                     reinterpret_cast<sockaddr*>(&from), len);
        }
    }
    QByteArray m_reply;
    bool m_silent;
    int m_fd = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray reply = fullReply();
    std::printf("reply: %lld bytes, 32 players\n\n", static_cast<long long>(reply.size()));
    EchoServer server(reply);
    const QByteArray request = QByteArray(4, '\xff') + "getstatus info";
    constexpr int kRounds = 400;

    // The bare socket: one request, one reply, nothing else.
    std::vector<double> bare;
    {
        QUdpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        char buf[4096];
        for (int i = 0; i < kRounds; ++i)
            bare.push_back(bench::timeUs([&] {
                s.write(request);
                s.waitForReadyRead(1000);
                s.readDatagram(buf, sizeof buf);
            }));
    }
    Commander c;
    std::vector<double> viaConnect;
    for (int i = 0; i < kRounds; ++i)
        viaConnect.push_back(
            bench::timeUs([&] { c.Connect("127.0.0.1", server.port(), "QUAKE3", 3000); }));
    if (c.IsTimeOut().toBool())
        std::printf("Connect timed out against the loopback server!\n");
    const double bareMs = bench::median(bare), connectMs = bench::median(viaConnect);
    std::printf("%-40s median %10.2f us   (reference)\n", "bare QUdpSocket round trip", bareMs);
    std::printf("%-40s median %10.2f us   target <= reference + 500 us (%+.2f us)  %s\n\n",
                "Connect round trip", connectMs, connectMs - bareMs,
                connectMs - bareMs <= 500 ? "OK" : "OVER");

    // A 3,000 ms time-out against a server that never answers.
    {
        EchoServer silent(QByteArray(), true);
        const double cpu0 = cpuMs();
        const double wall =
            bench::timeUs([&] { c.Connect("127.0.0.1", silent.port(), "QUAKE3", 3000); });
        const double cpu = cpuMs() - cpu0;
        std::printf("%-40s wall %8.1f ms  CPU %6.1f ms   target CPU <= 60 ms   %s\n",
                    "3,000 ms time-out", wall / 1e3, cpu, cpu <= 60 ? "OK" : "OVER");
        // And a closed port, where the system reports the refusal to the socket.
        const double cpu1 = cpuMs();
        const double wall2 = bench::timeUs([&] { c.Connect("127.0.0.1", 9, "QUAKE3", 3000); });
        const double cpu2 = cpuMs() - cpu1;
        std::printf("%-40s wall %8.1f ms  CPU %6.1f ms   target CPU <= 60 ms   %s\n\n",
                    "3,000 ms time-out, closed port", wall2 / 1e3, cpu2,
                    cpu2 <= 60 ? "OK" : "OVER");
    }

    // Field operations on the full reply.
    c.Connect("127.0.0.1", server.port(), "QUAKE3", 3000);
    constexpr int kSamples = 3000;
    const auto field = [&](const char* name, const std::function<void()>& op) {
        std::vector<double> t;
        t.reserve(kSamples);
        for (int i = 0; i < kSamples; ++i)
            t.push_back(bench::timeUs(op));
        bench::report(name, t, 20);
    };
    QVariant a, b, d, e;
    field("get_servername", [&] { c.get_servername(); });
    field("get_mapname", [&] { c.get_mapname(); });
    field("get_maxclients", [&] { c.get_maxclients(); });
    field("get_time", [&] { c.get_time(); });
    field("get_scorea", [&] { c.get_scorea(); });
    field("get_scoreb", [&] { c.get_scoreb(); });
    field("GetClientCount", [&] { c.GetClientCount(); });
    field("GetClientInfo (player 0)", [&] { c.GetClientInfo(0, a, b, d, e); });
    field("GetClientInfo (player 31)", [&] { c.GetClientInfo(31, a, b, d, e); });
    field("GetClientInfo_name (player 31)", [&] { c.GetClientInfo_name(31); });
    field("GetRulesCount", [&] { c.GetRulesCount(); });
    field("GetRulesInfo (rule 0)", [&] { c.GetRulesInfo(0, a, b); });
    field("GetRulesInfo (last rule)", [&] { c.GetRulesInfo(99, a, b); });
    field("IsTimeOut", [&] { c.IsTimeOut(); });
    return 0;
}
