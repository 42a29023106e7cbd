#pragma once
// "Join when a seat frees": one full server asked every kSeatWaitIntervalMs (well inside an
// ioquake3 server's limit of one request a second) until it has a free seat, the wait runs
// out or the player cancels.
#include "servers/ServerPoller.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace fragdeck::servers
{

constexpr int kSeatWaitIntervalMs = 5000;
constexpr int kSeatWaitLimitMs = 15 * 60 * 1000;

class SeatWait : public QObject
{
    Q_OBJECT
public:
    explicit SeatWait(QObject* parent = nullptr);
    ~SeatWait() override;

    void start(const ServerAddress& server);
    void cancel();
    bool isWaiting() const { return m_waiting; }
    const ServerAddress& server() const { return m_server; }
    // Asks the server now (the timer does this every interval).
    void checkNow();
    int checks() const { return m_checks; }

Q_SIGNALS:
    void seatFree(const fragdeck::servers::ServerInfo& info);
    void answered(const fragdeck::servers::ServerInfo& info); // still full
    void expired();

private:
    void onChecked();

    ServerAddress m_server;
    std::unique_ptr<ServerPoller> m_poller;
    QTimer m_timer;
    qint64 m_sinceNs = 0;
    bool m_waiting = false;
    int m_checks = 0;
};

} // namespace fragdeck::servers
