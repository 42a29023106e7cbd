#include "RealGameServer.h"

#include "core/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QUdpSocket>

namespace fragdeck::test
{
namespace
{
const char* kServer = "/usr/games/openarena-server";

quint16 freeUdpPort()
{
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    return s.localPort();
}

// The server with `home` as its home and current folder, its output in one channel.
void startServer(QProcess& p, const QString& home, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QLatin1String(kServer), args);
}
} // namespace

bool RealGameServer::available()
{
    return QFileInfo(QLatin1String(kServer)).isExecutable();
}

QMap<QString, QString> RealGameServer::cvarsAfterExec(const QByteArray& config,
                                                      const QStringList& cvars)
{
    QMap<QString, QString> out;
    QTemporaryDir home;
    if (!available() || !QDir(home.path()).mkpath(QStringLiteral(".openarena/baseoa")))
        return out;
    QFile f(home.filePath(QStringLiteral(".openarena/baseoa/fragtest.cfg")));
    if (!f.open(QIODevice::WriteOnly) || f.write(config) != config.size())
        return out;
    f.close();
    QStringList args{"+set",  "dedicated",   "1",
                     "+set",  "net_ip",      "127.0.0.1",
                     "+set",  "net_port",    QString::number(freeUdpPort()),
                     "+exec", "fragtest.cfg"};
    for (const QString& c : cvars)
        args << u'+' + c; // a cvar's name alone prints its value
    args << "+quit";
    QProcess p;
    startServer(p, home.path(), args);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(3000);
        return out;
    }
    static const QRegularExpression printed(QStringLiteral("\"(\\w+)\" is:\"(.*?)\\^7\""));
    const QString log = QString::fromLatin1(p.readAll());
    for (auto it = printed.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        out[m.captured(1)] = m.captured(2);
    }
    return out;
}

RealGameServer::RealGameServer(const QString& rconPassword, const QString& hostname)
{
    start(rconPassword, hostname,
          {"+set", "sv_master1", "", "+set", "sv_master2", "", "+set", "sv_master3", ""});
}

RealGameServer::RealGameServer(quint16 masterPort, const QString& hostname)
{
    start(QStringLiteral("fragtest"), hostname,
          {"+set", "dedicated", "2", "+set", "sv_master1",
           QStringLiteral("127.0.0.1:%1").arg(masterPort), "+set", "sv_master2", "", "+set",
           "sv_master3", "", "+set", "sv_master4", "", "+set", "sv_master5", ""});
}

void RealGameServer::start(const QString& rconPassword, const QString& hostname,
                           const QStringList& extra)
{
    if (!available())
        return;
    m_port = freeUdpPort();
    startServer(m_process, m_home.path(),
                QStringList{"+set", "net_ip", "127.0.0.1", "+set", "net_port",
                            QString::number(m_port), "+set", "sv_hostname", hostname, "+set",
                            "rconpassword", rconPassword, "+set", "sv_maxclients", "12"} +
                    extra +
                    QStringList{"+set", "bot_enable", "1", "+map", "oa_dm1", "+addbot", "Angelyss",
                                "1", "+addbot", "Arachna", "1"});
}

RealGameServer::~RealGameServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool RealGameServer::waitUntilReady(int timeoutMs)
{
    if (!m_port || !m_process.waitForStarted(5000))
        return false;
    QUdpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, m_port);
    bool ready = false;
    const int32_t start = tickCount();
    while (!ready && tickCount() - start < timeoutMs && m_process.state() == QProcess::Running) {
        probe.write(QByteArray(4, '\xff') + "getstatus");
        waitFor([&] { return probe.hasPendingDatagrams(); }, 300, 20);
        while (probe.hasPendingDatagrams()) {
            const QByteArray d = probe.receiveDatagram().data();
            // Ready when the bots have joined: two player lines after the info line.
            if (d.startsWith("\xff\xff\xff\xffstatusResponse") && d.count('\n') >= 4)
                ready = true;
        }
    }
    return ready;
}

QString RealGameServer::log() const
{
    m_log += const_cast<QProcess&>(m_process).readAll();
    return QString::fromLocal8Bit(m_log);
}

} // namespace fragdeck::test
