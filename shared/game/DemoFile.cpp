#include "DemoFile.h"

#include "game/InfoString.h"
#include "game/MessageBits.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QtEndian>
#include <array>
#include <vector>

namespace fragdeck
{
namespace
{

// Limits and numbers of the game's protocol.
constexpr int kMaxMessage = 16384;
constexpr int kMaxConfigStrings = 1024;
constexpr int kMaxClients = 64;
constexpr int kEntityNumberBits = 10;
constexpr int kMaxStringChars = 1024;
constexpr int kBigInfoString = 8192;
// Players seen in one demo beyond this are not listed (a damaged or made-up file could
// otherwise join and leave without end).
constexpr int kMaxPlayersSeen = 1024;

// Configuration string numbers.
constexpr int kServerInfo = 0;
constexpr int kScores1 = 6;
constexpr int kScores2 = 7;
constexpr int kPlayers = 544;
constexpr int kScoreNotPresent = -9999;

// Server-to-client operations.
enum Op {
    OpNop = 1,
    OpGameState = 2,
    OpConfigString = 3,
    OpBaseline = 4,
    OpServerCommand = 5,
    OpDownload = 6,
    OpSnapshot = 7,
    OpEnd = 8,
};

// The bit widths of an entity's fields in the order a delta sends them (0: a float).
// The same for every protocol from 66 on.
constexpr std::array<int, 51> kEntityFieldBits = {
    32, 0,  0,  0, 0,  0, 0, 0, 0, 10, 0, 8, 8,  8,  8,  10, 8, 19, 10, 8,  8, 0, 32, 8,  0, 0,
    0,  24, 16, 8, 10, 8, 8, 0, 0, 0,  8, 0, 32, 32, 32, 0,  0, 0,  0,  32, 0, 0, 0,  32, 16};
constexpr int kFloatIntBits = 13;

QString notReadable(const QString& why)
{
    return QStringLiteral("not a readable demo: ") + why;
}

bool toNumber(const QByteArray& text, int* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        *out = v;
    return ok;
}

// A server command split as the game splits it: words apart, "quoted text" as one.
QList<QByteArray> commandWords(const QByteArray& line)
{
    QList<QByteArray> words;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && uchar(line[i]) <= ' ')
            ++i;
        if (i >= n)
            break;
        if (line[i] == '"') {
            const qsizetype close = line.indexOf('"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            words.append(line.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        const qsizetype start = i;
        while (i < n && uchar(line[i]) > ' ' && line[i] != '"')
            ++i;
        words.append(line.mid(start, i - start));
    }
    return words;
}

// The game's state as the demo unfolds.
struct State {
    std::vector<QByteArray> configStrings = std::vector<QByteArray>(kMaxConfigStrings);
    int clientNum = -1;
    int32_t commandSequence = 0;
    std::array<int, kMaxClients> playerOf{}; // index into players, -1 for an empty slot
    QList<DemoPlayer> players;
    QHash<int, QByteArray> bigStrings; // a long configuration string sent in parts
    bool haveTime = false;
    int32_t firstTime = 0;
    int32_t lastTime = 0;

    State() { playerOf.fill(-1); }

    void updatePlayer(int client)
    {
        const QByteArray& text = configStrings[size_t(kPlayers + client)];
        int& slot = playerOf[size_t(client)];
        if (text.isEmpty()) {
            if (slot >= 0)
                players[slot].left = true;
            slot = -1;
            return;
        }
        const QString name = QString::fromLatin1(InfoString(text).value("n"));
        int team = 0;
        toNumber(InfoString(text).value("t"), &team);
        if (slot < 0) {
            if (players.size() >= kMaxPlayersSeen)
                return;
            slot = int(players.size());
            players.append({client, name, team, false});
            return;
        }
        // A new name in a slot nobody left is the same player renamed.
        players[slot].name = name;
        players[slot].team = team;
    }

    void setConfigString(int index, const QByteArray& text)
    {
        if (index < 0 || index >= kMaxConfigStrings)
            return;
        configStrings[size_t(index)] = text;
        if (index >= kPlayers && index < kPlayers + kMaxClients)
            updatePlayer(index - kPlayers);
    }

    void serverCommand(const QByteArray& line)
    {
        const QList<QByteArray> words = commandWords(line);
        if (words.size() < 2)
            return;
        const QByteArray& verb = words[0];
        int index = -1;
        if (!toNumber(words[1], &index) || index < 0 || index >= kMaxConfigStrings)
            return;
        QByteArray text;
        for (qsizetype i = 2; i < words.size(); ++i) {
            if (i > 2)
                text += ' ';
            text += words[i];
        }
        if (verb == "cs") {
            setConfigString(index, text);
        } else if (verb == "bcs0") {
            bigStrings.insert(index, text);
        } else if (verb == "bcs1") {
            if (bigStrings.contains(index) && bigStrings[index].size() < kBigInfoString)
                bigStrings[index] += text;
        } else if (verb == "bcs2") {
            if (bigStrings.contains(index))
                setConfigString(index, bigStrings.take(index) + text);
        }
    }

    void snapshotTime(int32_t time)
    {
        if (!haveTime) {
            firstTime = time;
            haveTime = true;
        }
        lastTime = time;
    }
};

// Reads an entity delta from nothing, only to get past it.
bool skipEntity(MessageBits& m)
{
    if (m.readBits(1)) // removed
        return !m.failed();
    if (!m.readBits(1)) // unchanged
        return !m.failed();
    const int count = m.readByte();
    if (count < 0 || count > int(kEntityFieldBits.size()))
        return false;
    for (int i = 0; i < count && !m.failed(); ++i) {
        if (!m.readBits(1))
            continue;
        const int bits = kEntityFieldBits[size_t(i)];
        if (!m.readBits(1)) // zero
            continue;
        if (bits == 0)
            m.readBits(m.readBits(1) ? 32 : kFloatIntBits);
        else
            m.readBits(bits);
    }
    return !m.failed();
}

enum class Parse { Ok, Damaged };

// The game state after its operation byte. The oldest kinds send their entities in a
// form not read here: reading stops at the first one, without the recorder's number.
Parse parseGameState(MessageBits& m, bool oldKind, State& s, QString* why)
{
    State fresh;
    fresh.commandSequence = m.readLong();
    bool stoppedAtEntity = false;
    for (;;) {
        const int op = m.readByte();
        if (op == OpEnd)
            break;
        if (op == OpConfigString) {
            const int index = m.readShort();
            const QByteArray text = m.readString(kBigInfoString);
            if (m.failed() || index < 0 || index >= kMaxConfigStrings) {
                *why = QStringLiteral("a configuration string of the game state is damaged");
                return Parse::Damaged;
            }
            fresh.configStrings[size_t(index)] = text;
        } else if (op == OpBaseline) {
            if (oldKind) {
                stoppedAtEntity = true;
                break;
            }
            const int number = m.readBits(kEntityNumberBits);
            if (m.failed() || !skipEntity(m) || number < 0) {
                *why = QStringLiteral("an entity of the game state is damaged");
                return Parse::Damaged;
            }
        } else {
            *why = m.failed()
                       ? QStringLiteral("the game state ends early")
                       : QStringLiteral("the game state holds an unknown operation %1").arg(op);
            return Parse::Damaged;
        }
    }
    if (!stoppedAtEntity) {
        const int32_t client = m.readLong();
        m.readLong(); // checksum feed
        if (m.failed()) {
            *why = QStringLiteral("the game state ends early");
            return Parse::Damaged;
        }
        if (client >= 0 && client < kMaxClients)
            fresh.clientNum = client;
    }
    if (InfoString(fresh.configStrings[kServerInfo]).value("mapname").isEmpty()) {
        *why = QStringLiteral("its game state names no map");
        return Parse::Damaged;
    }
    // A new game state starts afresh; the players seen so far stay in the list.
    fresh.players = s.players;
    for (DemoPlayer& p : fresh.players)
        p.left = true;
    fresh.haveTime = s.haveTime;
    fresh.firstTime = s.firstTime;
    fresh.lastTime = s.lastTime;
    for (int client = 0; client < kMaxClients; ++client)
        fresh.updatePlayer(client);
    s = std::move(fresh);
    return Parse::Ok;
}

enum class Message { Ok, Damaged, Unknown };

// One message: server commands, then a game state or a snapshot (whose time is all that
// is wanted; what follows it is not read).
Message parseMessage(MessageBits& m, bool oldKind, State& s, bool* sawGameState, QString* why)
{
    m.readLong(); // the acknowledged command
    for (;;) {
        const int op = m.readByte();
        switch (op) {
        case OpEnd:
            return Message::Ok;
        case OpNop:
            continue;
        case OpServerCommand: {
            const int32_t sequence = m.readLong();
            const QByteArray line = m.readString(kMaxStringChars);
            if (m.failed()) {
                *why = QStringLiteral("a server command ends early");
                return Message::Damaged;
            }
            // Commands are sent again until acknowledged: each counts once.
            if (sequence > s.commandSequence) {
                s.commandSequence = sequence;
                s.serverCommand(line);
            }
            continue;
        }
        case OpGameState:
            if (parseGameState(m, oldKind, s, why) != Parse::Ok)
                return Message::Damaged;
            if (sawGameState)
                *sawGameState = true;
            return Message::Ok;
        case OpSnapshot: {
            const int32_t time = m.readLong();
            if (m.failed()) {
                *why = QStringLiteral("a snapshot ends early");
                return Message::Damaged;
            }
            s.snapshotTime(time);
            return Message::Ok;
        }
        case OpDownload:
            return Message::Ok;
        default:
            if (m.failed()) {
                *why = QStringLiteral("a message ends early");
                return Message::Damaged;
            }
            *why = QStringLiteral("a message holds an unknown operation %1").arg(op);
            return Message::Unknown;
        }
    }
}

// The messages of a demo, each bounded by the game's limit and by what remains.
class MessageSource
{
public:
    explicit MessageSource(QIODevice& in, qint64 limit) : m_in(in), m_limit(limit) {}

    enum Result { Message, EndMarker, EndOfFile, CutOff, BadLength };

    Result next(QByteArray* body)
    {
        char header[8];
        const qint64 got = read(header, 8);
        if (got == 0)
            return EndOfFile;
        if (got < 8)
            return CutOff;
        m_length = qFromLittleEndian<qint32>(header + 4);
        if (m_length == -1)
            return EndMarker;
        if (m_length < 0 || m_length > kMaxMessage)
            return BadLength;
        body->resize(m_length);
        if (read(body->data(), m_length) < m_length)
            return CutOff;
        return Message;
    }

    qint32 lastLength() const { return m_length; }

private:
    qint64 read(char* to, qint64 wanted)
    {
        wanted = std::min(wanted, m_limit - m_used);
        qint64 total = 0;
        while (total < wanted) {
            const qint64 n = m_in.read(to + total, wanted - total);
            if (n <= 0)
                break;
            total += n;
        }
        m_used += total;
        return total;
    }

    QIODevice& m_in;
    qint64 m_limit;
    qint64 m_used = 0;
    qint32 m_length = 0;
};

bool isTeamGame(int gameType)
{
    return gameType >= 3 && gameType <= 12 && gameType != 10;
}

void fillInfo(const State& s, int format, DemoInfo& info)
{
    const QByteArray& serverInfo = s.configStrings[kServerInfo];
    info.map = QString::fromLatin1(InfoString(serverInfo).value("mapname"));
    info.server = QString::fromLatin1(InfoString(serverInfo).value("sv_hostname"));
    int number = 0;
    info.gameType = toNumber(InfoString(serverInfo).value("g_gametype"), &number) ? number : -1;
    info.protocol = toNumber(InfoString(serverInfo).value("protocol"), &number) ? number : format;
    info.players = s.players;
    info.recorderClient = s.clientNum;
    info.recorder.clear();
    if (s.clientNum >= 0 && s.playerOf[size_t(s.clientNum)] >= 0)
        info.recorder = s.players[s.playerOf[size_t(s.clientNum)]].name;
    info.scoreKnown = false;
    if (isTeamGame(info.gameType)) {
        int red = 0, blue = 0;
        if (toNumber(s.configStrings[kScores1], &red) &&
            toNumber(s.configStrings[kScores2], &blue) && red != kScoreNotPresent &&
            blue != kScoreNotPresent) {
            info.scoreKnown = true;
            info.redScore = red;
            info.blueScore = blue;
        }
    }
    if (s.haveTime) {
        info.lengthKnown = true;
        info.durationMs = std::max<qint64>(0, qint64(s.lastTime) - qint64(s.firstTime));
    }
}

} // namespace

QStringList DemoInfo::playerNames() const
{
    QStringList out;
    for (const DemoPlayer& p : players)
        out.append(p.name);
    return out;
}

int demoFormatOfName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0)
        return 0;
    const QString ext = fileName.mid(dot + 1).toLower();
    if (ext == QLatin1String("dm3"))
        return 3;
    if (!ext.startsWith(QLatin1String("dm_")) || ext.size() != 5)
        return 0;
    bool ok = false;
    const int n = ext.mid(3).toInt(&ok);
    if (ok && (n == 48 || (n >= 66 && n <= 71)))
        return n;
    return 0;
}

DemoInfo readDemo(QIODevice& in, int format, DemoDepth depth,
                  const std::function<bool()>& cancelled)
{
    DemoInfo info;
    const qint64 limit =
        depth == DemoDepth::GameState ? kDemoGameStateBytes : std::numeric_limits<qint64>::max();
    MessageSource source(in, limit);
    QByteArray body;
    switch (source.next(&body)) {
    case MessageSource::Message:
        break;
    case MessageSource::EndOfFile:
        info.error = notReadable(QStringLiteral("the file is empty"));
        return info;
    case MessageSource::EndMarker:
        info.error = notReadable(QStringLiteral("the recording holds no messages"));
        return info;
    case MessageSource::CutOff:
        info.error =
            notReadable(QStringLiteral("the file ends inside its first message (it is truncated)"));
        return info;
    case MessageSource::BadLength:
        info.error = notReadable(QStringLiteral("its first message claims %1 bytes (at most %2)")
                                     .arg(source.lastLength())
                                     .arg(kMaxMessage));
        return info;
    }

    // The oldest kinds store plain bits, the newer ones the fixed code; the name says
    // which to try first, and an unknown name tries both.
    const bool oldFirst = format == 3 || format == 48;
    State state;
    bool oldKind = oldFirst;
    QString why;
    bool found = false;
    for (int attempt = 0; attempt < 2 && !found; ++attempt) {
        oldKind = attempt == 0 ? oldFirst : !oldFirst;
        MessageBits m(body, !oldKind);
        State s;
        bool sawGameState = false;
        QString attemptWhy;
        const Message r = parseMessage(m, oldKind, s, &sawGameState, &attemptWhy);
        if (r == Message::Ok && sawGameState) {
            state = std::move(s);
            found = true;
        } else if (attempt == 0) {
            why = attemptWhy.isEmpty() ? QStringLiteral("its first message holds no game state")
                                       : attemptWhy;
        }
    }
    if (!found) {
        info.error = notReadable(why);
        return info;
    }
    info.readable = true;
    if (depth == DemoDepth::GameState) {
        fillInfo(state, format, info);
        return info;
    }

    info.wholeRead = true;
    for (;;) {
        if (cancelled && cancelled()) {
            info.readable = false;
            info.error = QStringLiteral("the reading was stopped");
            return info;
        }
        const MessageSource::Result r = source.next(&body);
        if (r == MessageSource::EndMarker || r == MessageSource::EndOfFile)
            break;
        if (r == MessageSource::CutOff) {
            info.note = QStringLiteral("the recording ends early: its last message is cut off");
            break;
        }
        if (r == MessageSource::BadLength) {
            info.note = QStringLiteral("a message claims %1 bytes; the rest is not read")
                            .arg(source.lastLength());
            break;
        }
        MessageBits m(body, !oldKind);
        QString messageWhy;
        if (parseMessage(m, oldKind, state, nullptr, &messageWhy) != Message::Ok) {
            info.note = messageWhy + QStringLiteral("; the rest is not read");
            break;
        }
    }
    fillInfo(state, format, info);
    return info;
}

DemoInfo readDemo(QByteArrayView bytes, int format, DemoDepth depth,
                  const std::function<bool()>& cancelled)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return readDemo(buffer, format, depth, cancelled);
}

DemoInfo readDemoFile(const QString& path, DemoDepth depth, const std::function<bool()>& cancelled)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DemoInfo info;
        info.error = QStringLiteral("%1 cannot be opened: %2").arg(path, file.errorString());
        return info;
    }
    return readDemo(file, demoFormatOfName(path), depth, cancelled);
}

QString gameTypeName(int gameType)
{
    static const char* const names[] = {"Free For All",    "Tournament",        "Single Player",
                                        "Team Deathmatch", "Capture the Flag",  "One Flag CTF",
                                        "Overload",        "Harvester",         "Elimination",
                                        "CTF Elimination", "Last Man Standing", "Double Domination",
                                        "Domination",      "Possession"};
    if (gameType >= 0 && gameType < int(std::size(names)))
        return QString::fromLatin1(names[gameType]);
    if (gameType < 0)
        return QString();
    return QStringLiteral("Game type %1").arg(gameType);
}

QString teamName(int team)
{
    switch (team) {
    case 0:
        return QStringLiteral("free");
    case 1:
        return QStringLiteral("red");
    case 2:
        return QStringLiteral("blue");
    case 3:
        return QStringLiteral("spectator");
    default:
        return QStringLiteral("team %1").arg(team);
    }
}

QString formatDuration(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    const qint64 h = seconds / 3600, m = (seconds / 60) % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

} // namespace fragdeck
