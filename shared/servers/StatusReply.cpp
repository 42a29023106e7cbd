#include "StatusReply.h"

#include "game/InfoString.h"
#include "game/ReplyReader.h"

namespace fragdeck::servers
{
namespace
{

const QByteArray kPrefix("\xff\xff\xff\xff", 4);

// Leading whole number like the game's atoi: blanks, a sign, digits; clamped, never
// overflowing. `used` gets the bytes consumed (0 when there is no digit).
int leadingInt(QByteArrayView s, qsizetype* used = nullptr)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    const qsizetype digitsFrom = i;
    qint64 v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (v < 1000000000)
            v = v * 10 + (s[i] - '0');
        ++i;
    }
    if (used)
        *used = i > digitsFrom ? i : 0;
    if (v > 999999999)
        v = 999999999;
    return int(negative ? -v : v);
}

QString latin1(QByteArrayView b)
{
    return QString::fromLatin1(b.data(), b.size());
}

// The info string: fields cut out, the challenge taken out of it.
void readInfo(QByteArrayView info, ParsedReply& out, bool statusKeys, int maxKeys)
{
    ServerInfo& s = out.info;
    QByteArray kept;
    kept.reserve(info.size());
    int keys = 0;
    InfoString(info).forEachPair([&](QByteArrayView key, QByteArrayView value) {
        if (sameInfoKey(key, "challenge")) {
            out.challenge = value.toByteArray();
            return;
        }
        if (key.isEmpty())
            return;
        if (keys == maxKeys) {
            s.cut |= CutKeys;
            return;
        }
        ++keys;
        kept += '\\';
        kept += key;
        kept += '\\';
        kept += value;
        if (sameInfoKey(key, statusKeys ? QByteArrayView("sv_hostname") : "hostname"))
            s.hostname = latin1(value);
        else if (sameInfoKey(key, "mapname"))
            s.mapname = latin1(value);
        else if (sameInfoKey(key, "gamename"))
            s.gamename = latin1(value);
        else if (sameInfoKey(key, "game") && s.gamename.isEmpty())
            s.gamename = latin1(value);
        else if (sameInfoKey(key, "version"))
            s.version = latin1(value);
        else if (sameInfoKey(key, "g_gametype") || sameInfoKey(key, "gametype"))
            s.gametype = leadingInt(value);
        else if (sameInfoKey(key, "sv_maxclients"))
            s.maxClients = leadingInt(value);
        else if (sameInfoKey(key, "protocol") || (sameInfoKey(key, "com_protocol") && !s.protocol))
            s.protocol = leadingInt(value); // newer ioquake3 status replies: com_protocol
        else if (sameInfoKey(key, "g_needpass"))
            s.needPass = leadingInt(value) != 0;
        else if (sameInfoKey(key, "g_humanplayers"))
            s.humanPlayers = leadingInt(value);
        else if (sameInfoKey(key, "clients"))
            s.clients = leadingInt(value);
    });
    kept.squeeze();
    s.infoString = kept;
}

// `score ping "name"`; the name runs to the last quote of the line. False for a line that
// is not a player.
bool readPlayer(QByteArrayView line, PlayerInfo* p)
{
    qsizetype used = 0;
    p->score = leadingInt(line, &used);
    if (!used)
        return false;
    line = line.sliced(used);
    p->ping = leadingInt(line, &used);
    if (!used)
        return false;
    line = line.sliced(used);
    const qsizetype open = line.indexOf('"');
    if (open < 0)
        return false;
    qsizetype close = line.lastIndexOf('"');
    if (close <= open)
        close = line.size(); // a name whose closing quote was cut off
    p->name = latin1(line.sliced(open + 1, close - open - 1));
    return true;
}

std::optional<QByteArrayView> body(QByteArrayView datagram, QByteArrayView command)
{
    if (!datagram.startsWith(kPrefix))
        return std::nullopt;
    QByteArrayView rest = datagram.sliced(kPrefix.size());
    if (!rest.startsWith(command))
        return std::nullopt;
    rest = rest.sliced(command.size());
    // The command ends at its line end (some servers send a blank or nothing before it).
    while (!rest.isEmpty() && rest.front() == ' ')
        rest = rest.sliced(1);
    if (!rest.isEmpty() && rest.front() != '\n' && rest.front() != '\\')
        return std::nullopt; // another command that starts with the same word
    if (!rest.isEmpty() && rest.front() == '\n')
        rest = rest.sliced(1);
    return rest;
}

QByteArray playerLine(const PlayerInfo& p)
{
    return QByteArray::number(p.score) + ' ' + QByteArray::number(p.ping) + " \"" +
           p.name.toLatin1() + "\"\n";
}

// The reply's lines after its "\xff\xff\xff\xffKIND" head, the datagram cut at the byte
// bound first; nothing when the head is another kind.
std::optional<ReplyReader> openReply(QByteArrayView datagram, const char* kind,
                                     const ReplyLimits& limits, ParsedReply* out)
{
    const ReplyReader whole(datagram, limits.maxBytes);
    const auto rest = body(whole.text(), kind);
    if (!rest)
        return std::nullopt;
    if (whole.clipped())
        out->info.cut |= CutBytes;
    return ReplyReader(*rest);
}

} // namespace

QString ServerInfo::value(QByteArrayView key) const
{
    return latin1(InfoString(infoString).find(key).value_or(QByteArrayView()));
}

QList<std::pair<QString, QString>> ServerInfo::pairs() const
{
    QList<std::pair<QString, QString>> out;
    InfoString(infoString).forEachPair([&](QByteArrayView k, QByteArrayView v) {
        out.append({latin1(k), latin1(v)});
    });
    return out;
}

int ServerInfo::playerCount() const
{
    if (!players.isEmpty() || clients < 0)
        return int(players.size());
    return clients;
}

int ServerInfo::botCount() const
{
    if (humanPlayers >= 0)
        return qMax(0, int(players.size()) - humanPlayers);
    int n = 0;
    for (const PlayerInfo& p : players)
        n += p.bot ? 1 : 0;
    return n;
}

QByteArray statusRequest(const QByteArray& nonce)
{
    return kPrefix + "getstatus " + nonce;
}

QByteArray infoRequest(const QByteArray& nonce)
{
    return kPrefix + "getinfo " + nonce;
}

std::optional<ParsedReply> parseStatusResponse(QByteArrayView datagram, const ReplyLimits& limits)
{
    ParsedReply out;
    auto lines = openReply(datagram, "statusResponse", limits, &out);
    if (!lines)
        return std::nullopt;
    readInfo(lines->takeLine(), out, true, limits.maxKeys);
    while (!lines->atEnd()) {
        PlayerInfo p;
        if (!readPlayer(lines->takeLine(), &p))
            continue;
        if (out.info.players.size() == limits.maxPlayers) {
            out.info.cut |= CutPlayers;
            break;
        }
        out.info.players.append(std::move(p));
    }
    markBots(out.info);
    return out;
}

std::optional<ParsedReply> parseInfoResponse(QByteArrayView datagram, const ReplyLimits& limits)
{
    ParsedReply out;
    auto lines = openReply(datagram, "infoResponse", limits, &out);
    if (!lines)
        return std::nullopt;
    out.info.infoReply = true;
    readInfo(lines->takeLine(), out, false, limits.maxKeys);
    return out;
}

QByteArray statusDatagram(const ServerInfo& info)
{
    QByteArray d = kPrefix + "statusResponse\n" + info.infoString + '\n';
    for (const PlayerInfo& p : info.players)
        d += playerLine(p);
    return d;
}

QByteArray infoDatagram(const ServerInfo& info)
{
    return kPrefix + "infoResponse\n" + info.infoString;
}

QString ServerInfo::cutNote(const ReplyLimits& limits) const
{
    QStringList why;
    if (cut & CutBytes)
        why.append(QStringLiteral("over %1 bytes").arg(limits.maxBytes));
    if (cut & CutKeys)
        why.append(QStringLiteral("over %1 keys").arg(limits.maxKeys));
    if (cut & CutPlayers)
        why.append(QStringLiteral("over %1 players").arg(limits.maxPlayers));
    return why.isEmpty() ? QString() : QStringLiteral("the reply was cut: %1").arg(why.join(u", "));
}

void markBots(ServerInfo& info)
{
    const int total = int(info.players.size());
    const bool allHuman = info.humanPlayers >= 0 && info.humanPlayers >= total;
    for (PlayerInfo& p : info.players)
        p.bot = !allHuman && p.ping == 0;
}

} // namespace fragdeck::servers
