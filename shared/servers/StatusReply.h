#pragma once
// A game server's answer to "getstatus" and "getinfo", pure: the request datagrams and a
// bounds-checked parser into plain values. No sockets here.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace fragdeck::servers
{

// What one reply may hold at most; a reply past a bound is cut there, with a note.
struct ReplyLimits {
    int maxBytes = 16384;
    int maxKeys = 1024;
    int maxPlayers = 256;
};

enum ReplyCut : quint8 { CutBytes = 1, CutKeys = 2, CutPlayers = 4 };

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
    quint8 cut = 0;         // ReplyCut flags: where the reply was cut to its bounds
    bool infoReply = false; // an answer to "getinfo" (no players, a "clients" count)

    // The value of `key` (case-insensitive, as the game compares keys); empty if absent.
    QString value(QByteArrayView key) const;
    QList<std::pair<QString, QString>> pairs() const;
    // Player count: the list when there is one, else the "clients" count.
    int playerCount() const;
    int botCount() const;
    // "the reply was cut: over 16384 bytes, ..."; empty when nothing was cut.
    QString cutNote(const ReplyLimits& limits = {}) const;
};

// "getstatus <nonce>" and "getinfo <nonce>" (nonce: up to 128 printable bytes, no blanks).
QByteArray statusRequest(const QByteArray& nonce);
QByteArray infoRequest(const QByteArray& nonce);

struct ParsedReply {
    QByteArray challenge; // the "challenge" key, the nonce the server echoes
    ServerInfo info;
};

// "\xff\xff\xff\xffstatusResponse\n" + info string + "\n" + one line per player.
std::optional<ParsedReply> parseStatusResponse(QByteArrayView datagram,
                                               const ReplyLimits& limits = {});
// "\xff\xff\xff\xffinfoResponse\n" + info string.
std::optional<ParsedReply> parseInfoResponse(QByteArrayView datagram,
                                             const ReplyLimits& limits = {});
// The reply a parsed answer came from (challenge left out): what the saved list keeps, so
// that reading it back goes through the same parser and the same bounds as a live reply.
QByteArray statusDatagram(const ServerInfo& info);
QByteArray infoDatagram(const ServerInfo& info);

// Bots answer with ping 0. g_humanplayers, where the server sends it, says how many players
// are people; when every player is a person by that count, a ping of 0 is a LAN player.
void markBots(ServerInfo& info);

} // namespace fragdeck::servers
