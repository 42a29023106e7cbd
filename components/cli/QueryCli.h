#pragma once
// fragdeck-query without the network: its command line, its addresses and its output.
#include "game/ServerAddress.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace fragdeck::cli
{

constexpr int kDefaultPort = kDefaultGamePort;
constexpr int kDefaultTimeoutMs = 3000;

enum ExitCode { ExitOk = 0, ExitTimedOut = 1, ExitUsage = 2, ExitNoEngine = 3 };

struct Options {
    QString protocol = QStringLiteral("QUAKE3");
    int timeoutMs = kDefaultTimeoutMs;
    bool players = false;
    bool rules = false;
    bool rawNames = false;
    bool json = false;
    bool verbose = false;
    bool watch = false;  // --watch: look again every intervalS until stopped
    bool notify = false; // --notify: each event to the desktop's notification service
    QStringList friends; // --friend, as given
    int intervalS = 60;
    bool help = false;
    QStringList addresses;
    QStringList masters;      // --master, as given
    int protocolVersion = 68; // --protocol-version, asked of the masters
};

constexpr int kMinIntervalS = 10;

// The arguments after the program name; false, with why the command line is unusable,
// when they are not.
bool parseArguments(const QStringList& args, Options* options, QString* error = nullptr);
QString usageText();

// Writes bytes to a standard stream whole and flushes them, so output and errors keep
// their order when both go to one terminal or file.
void print(FILE* to, const QByteArray& bytes);

struct Target {
    bool ok = false;
    QString host;
    int port = kDefaultPort;
};
// "host", "host:port", "[v6]:port" or a bare IPv6 address.
Target parseAddress(const QString& address);

struct PlayerLine {
    QString score;
    QString ping;
    QString name;
};

struct RuleLine {
    QString name;
    QString value;
};

// What fragdeck-query shows of one server, as the text it prints: a view of the server list
// engine's ServerResult (toResult) or of the query engine's answers for the other protocols.
struct ResultView {
    QString address;
    enum Status { Ok, TimedOut, Failed, CannotResolve } status = TimedOut;
    QString error; // for Failed
    QString name;
    QString map;
    QString maxClients;
    int playerCount = 0;
    int botCount = -1; // known from the server list engine only
    double rttMs = 0;
    QString country; // ISO 3166 alpha-2 of the server's address; empty when none is known
    QList<PlayerLine> players;
    QList<RuleLine> rules;
};

// Control characters shown as "?", so a name can neither break a line nor drive a terminal.
QString printable(const QString& text);

// The plain lines for one server, each ending in "\n".
QString formatPlain(const ResultView& result, const Options& options);
// One JSON document (UTF-8): an array with one object per server.
QByteArray formatJson(const QList<ResultView>& results, const Options& options);

} // namespace fragdeck::cli
