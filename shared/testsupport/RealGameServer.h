#pragma once
// A real dedicated game server (OpenArena's, on the ioquake3 engine) on 127.0.0.1 for
// tests that must prove the suite against the real protocol. available() is false on a
// machine without it; such tests skip.
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace fragdeck::test
{

class RealGameServer
{
public:
    // Starts the server with two bots on map oa_dm1, the given rcon password and name.
    explicit RealGameServer(const QString& rconPassword = QStringLiteral("fragtest"),
                            const QString& hostname = QStringLiteral("^1Frag^7deck Test"));
    // The same, as an internet server ("dedicated 2") that sends its heartbeats to the
    // master on 127.0.0.1:masterPort; its other masters are emptied, so it resolves no name.
    RealGameServer(quint16 masterPort, const QString& hostname);
    ~RealGameServer();
    static bool available();
    // Runs the game once over `config` (exec'd from its own game folder) and returns the
    // values it then holds for `cvars`, as it prints them; empty when it is not available.
    static QMap<QString, QString> cvarsAfterExec(const QByteArray& config,
                                                 const QStringList& cvars);
    // True once the server answers a status query (waits up to timeoutMs).
    bool waitUntilReady(int timeoutMs = 20000);
    quint16 port() const { return m_port; }
    // Everything the server printed so far.
    QString log() const;

private:
    void start(const QString& rconPassword, const QString& hostname, const QStringList& extra);

    QTemporaryDir m_home;
    mutable QByteArray m_log;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace fragdeck::test
