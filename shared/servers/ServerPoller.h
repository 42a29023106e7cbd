#pragma once
// Queries many game servers at once without blocking: one UDP socket per address family,
// one "getstatus <nonce>" per attempt, at most maxAttempts attempts (and so datagrams) per
// server and refresh. ioquake3 servers allow a burst of 10 requests per client address and
// then one a second, shared with rcon, so a refresh stays well inside that.
//
// A reply counts only when it comes from the address and port the attempt went to and
// echoes that attempt's nonce as its "challenge"; every other datagram is dropped. Ping is
// the time from the answered attempt's send to the reply, on the monotonic Clock.
//
// Rows are plain values and are never removed by a refresh: a server that does not answer
// keeps its row (and its last answer) with the status NoReply.
//
// How long an attempt waits follows the round trips seen so far in the refresh (a high
// percentile, with room to spare), between a floor and the configured time-out; until
// enough servers answered, an attempt waits the whole time-out. The sockets never
// broadcast, and multicast, broadcast and unspecified addresses get no row.
#include "core/Clock.h"
#include "game/ServerAddress.h"
#include "servers/AddressScope.h"
#include "servers/DatagramSocket.h"
#include "servers/StatusReply.h"

#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <deque>
#include <memory>
#include <vector>

namespace fragdeck::servers
{

// An answer to any attempt of a server counts until its last attempt has run out, so a
// short time per attempt costs a slow server one more datagram, never its row.
struct PollerSettings {
    int maxInFlight = 200;         // servers with a query outstanding at once
    int paceUs = 500;              // time between two datagrams sent
    int attemptTimeoutMs = 500;    // the longest an attempt waits before the next one
    int minAttemptTimeoutMs = 100; // the shortest, however quick the answers
    int maxAttempts = 3;           // 1..3
    ReplyLimits limits;
};

struct ServerResult {
    enum class Status { Pending, Querying, Ok, NoReply };
    ServerAddress address;
    Status status = Status::Pending;
    bool answered = false; // info holds an answer (maybe of an earlier refresh)
    qint64 pingUs = -1;    // of the last answer
    int attempts = 0;      // datagrams sent to it in the last refresh
    ServerInfo info;

    int pingMs() const { return pingUs < 0 ? -1 : int((pingUs + 500) / 1000); }
};

class ServerPoller : public QObject
{
    Q_OBJECT
public:
    explicit ServerPoller(QObject* parent = nullptr);
    ~ServerPoller() override;

    void setSettings(const PollerSettings& settings);
    const PollerSettings& settings() const { return m_settings; }

    // New rows (known ones and null addresses are skipped); while a refresh of all runs
    // they are queued at once. Returns how many rows were added.
    int addServers(const QList<ServerAddress>& servers);
    // Queries every row that is not being queried already.
    void refreshAll();
    // Queries one server ahead of the queue, adding its row when it has none.
    void refresh(const ServerAddress& server);
    // Sends nothing more; rows not answered in this refresh get their earlier status back.
    void stop();
    // While the list is open (a master is still sending it) a refresh does not finish.
    void setListOpen(bool open);

    bool isRunning() const { return m_running; }
    int size() const { return int(m_rows.size()); }
    const ServerResult& at(int row) const { return m_rows[size_t(row)]; }
    int indexOf(const ServerAddress& server) const { return m_index.value(server, -1); }
    QList<ServerResult> results() const;
    int doneCount() const { return m_done; }   // rows finished in this refresh
    int totalCount() const { return m_total; } // rows taking part in this refresh
    int datagramsSent() const { return m_sent; }
    int refused() const { return m_refused; } // addresses given that get no query
    // What the next attempt waits, from the round trips seen in this refresh.
    int attemptTimeoutMs() const;

Q_SIGNALS:
    void serverUpdated(int row); // a reply came or the server ran out of attempts
    void progress(int done, int total);
    void finished();

private:
    struct Attempt {
        quint64 nonce = 0;
        qint64 sentNs = 0;
    };
    struct Work {
        Attempt attempts[3];
        quint32 generation = 0;
        ServerResult::Status before = ServerResult::Status::Pending;
        bool queued = false; // waiting for its first datagram
        bool active = false; // in this refresh and not finished
    };
    struct Deadline {
        qint64 sentNs;
        int row;
        quint32 generation;
        int attempt;
    };

    void queueRow(int row, bool first);
    void pump();
    void sendAttempt(int row);
    void onDeadline();
    void armDeadline();
    void onReadyRead(QUdpSocket* socket);
    void finishRow(int row, bool answered);
    void checkFinished();
    void endRun();
    void beginRun();
    void addRoundTrip(qint64 us);
    qint64 dueNs(const Deadline& d, bool last) const;
    static qint64 now() { return Clock::now(); }

    PollerSettings m_settings;
    std::vector<ServerResult> m_rows;
    std::vector<Work> m_work;
    QHash<ServerAddress, int> m_index;
    std::deque<int> m_queue;                       // first attempts, in order
    std::deque<std::pair<int, quint32>> m_retries; // further attempts go first
    // Attempts in send order; each runs out at its send time plus the wait of the moment,
    // so attempts sent before the first answers came wait no longer than later ones. The
    // last attempts, which wait longer, have a queue of their own, so both stay in order.
    std::deque<Deadline> m_deadlines;
    std::deque<Deadline> m_lastDeadlines;
    std::vector<int> m_rttHistogram; // answers of this refresh per ms of round trip
    int m_rttSamples = 0;
    mutable int m_timeoutMs = -1; // derived from the histogram; -1: to be worked out
    DatagramSockets m_sockets;
    QTimer m_paceTimer;
    QTimer m_deadlineTimer;
    qint64 m_lastPumpNs = 0;
    double m_budget = 0;
    bool m_running = false;
    bool m_allQueued = false; // refreshAll: rows added now are queued too
    bool m_listOpen = false;
    int m_inFlight = 0;
    int m_done = 0;
    int m_total = 0;
    int m_sent = 0;
    int m_refused = 0;
    QRandomGenerator m_random;
    std::vector<char> m_buffer;
};

} // namespace fragdeck::servers
