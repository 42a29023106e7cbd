#pragma once
// A game server's answer to "getstatus" and "getinfo", pure: the request datagrams and a
// bounds-checked parser into plain values. No sockets here.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace fragdeck::query
{

struct PlayerInfo {
    int score = 0;
    int ping = 0;
    QString name; // as sent, colour codes included (Latin-1)
    bool bot = false;
};

// What a server told about itself. The keys most views need are cut out once; every key
// stays readable through value() and pairs().
struct ServerInfo {
    QByteArray infoString; // "\key\value..." as sent, without the challenge
    QString hostname;      // sv_hostname (status) or hostname (info)
    QString mapname;
    QString gamename; // gamename, else game
    QString version;
    int gametype = -1;     // g_gametype / gametype; -1 when absent
    int maxClients = 0;    // sv_maxclients
    int protocol = 0;      // protocol, else com_protocol
    bool needPass = false; // g_needpass
    int humanPlayers = -1; // g_humanplayers; -1 when the server does not send it
    int clients = -1;      // clients (info replies carry a count, not a list)
    QList<PlayerInfo> players;

    // The value of `key` (case-insensitive, as the game compares keys); empty if absent.
    QString value(QByteArrayView key) const;
    QList<std::pair<QString, QString>> pairs() const;
    // Player count: the list when there is one, else the "clients" count.
    int playerCount() const;
    int botCount() const;
};

// "getstatus <nonce>" and "getinfo <nonce>" (nonce: up to 128 printable bytes, no blanks).
QByteArray statusRequest(const QByteArray& nonce);
QByteArray infoRequest(const QByteArray& nonce);

struct ParsedReply {
    QByteArray challenge; // the "challenge" key, the nonce the server echoes
    ServerInfo info;
};

// "\xff\xff\xff\xffstatusResponse\n" + info string + "\n" + one line per player.
std::optional<ParsedReply> parseStatusResponse(QByteArrayView datagram);
// "\xff\xff\xff\xffinfoResponse\n" + info string.
std::optional<ParsedReply> parseInfoResponse(QByteArrayView datagram);

// Bots answer with ping 0. g_humanplayers, where the server sends it, says how many players
// are people; when every player is a person by that count, a ping of 0 is a LAN player.
void markBots(ServerInfo& info);

} // namespace fragdeck::query
