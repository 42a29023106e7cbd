#pragma once
// Reading one server's status through the query engine, in the order the engine expects:
// Connect, the time-out check, the fields, the players, the rules, then Quit. The engine is
// only known by its operation names; any Error it raises reaches the caller.
#include "game/ServerAddress.h"

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

namespace fragdeck
{

struct PlayerRow {
    QString name;         // colour codes removed
    QString colouredName; // as the server sent it
    QString ping;
    QString score;
};

struct RuleRow {
    QString name;
    QString value;
};

struct ServerStatus {
    QString serverName; // as the server sent it, colour codes included
    QString mapName;
    QString players; // "count/limit", for example 3/16
    QList<PlayerRow> playerRows;
    QList<RuleRow> rules;
};

// Where the browser's typed address points: a host as typed (a name, not yet a numeric
// address) and the number after the first ":"; no ":" or nothing after it gives the whole
// text and the game's port 27960. An IPv6 address in brackets is the host, and the number
// after "]:" its port. The port is read like the engine reads a number, leading digits
// only; a port too large for 32 bits raises Error 6.
struct TypedAddress {
    QString host;
    int32_t port = kDefaultGamePort;
};
TypedAddress splitServerAddress(const QString& text);

// The wait for each reply, in milliseconds.
constexpr int queryTimeOutMs = 3000;

// Runs the exchange; false when the server did not answer in time.
bool connectToServer(QObject* engine, const QString& host, int32_t port);
// Reads what the last exchange brought in and tells the engine it may close its socket.
// The request's own "challenge", which the server echoes, is not one of its rules.
ServerStatus readServerStatus(QObject* engine);

// The message for a server that did not answer.
QString serverTimeOutText();

} // namespace fragdeck
