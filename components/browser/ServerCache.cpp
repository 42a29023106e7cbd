#include "ServerCache.h"

#include "AtomicFile.h"
#include "Paths.h"
#include "TextFile.h"

#include <QDataStream>
#include <QFile>
#include <QIODevice>

namespace fragdeck::browser
{
namespace
{

constexpr quint32 kMagic = 0x46444c53; // "FDLS"
constexpr quint16 kVersion = 1;
constexpr qint64 kMaxCacheBytes = qint64(64) * 1024 * 1024;
constexpr quint32 kMaxRows = 200000;
constexpr quint32 kMaxPlayers = 1024;

void writeInfo(QDataStream& out, const query::ServerInfo& i)
{
    out << i.infoString << i.hostname << i.mapname << i.gamename << i.version << qint32(i.gametype)
        << qint32(i.maxClients) << qint32(i.protocol) << i.needPass << qint32(i.humanPlayers)
        << qint32(i.clients) << quint32(i.players.size());
    for (const query::PlayerInfo& p : i.players)
        out << qint32(p.score) << qint32(p.ping) << p.name << p.bot;
}

bool readInfo(QDataStream& in, query::ServerInfo& i)
{
    qint32 gametype, maxClients, protocol, humans, clients;
    quint32 players = 0;
    in >> i.infoString >> i.hostname >> i.mapname >> i.gamename >> i.version >> gametype >>
        maxClients >> protocol >> i.needPass >> humans >> clients >> players;
    if (in.status() != QDataStream::Ok || players > kMaxPlayers)
        return false;
    i.gametype = gametype;
    i.maxClients = maxClients;
    i.protocol = protocol;
    i.humanPlayers = humans;
    i.clients = clients;
    i.players.reserve(qsizetype(players));
    for (quint32 k = 0; k < players; ++k) {
        query::PlayerInfo p;
        qint32 score, ping;
        in >> score >> ping >> p.name >> p.bot;
        p.score = score;
        p.ping = ping;
        i.players.append(std::move(p));
    }
    return in.status() == QDataStream::Ok;
}

} // namespace

QString serverCachePath()
{
    return userDataFolder() + QStringLiteral("/servers.cache");
}

QString historyPath()
{
    return userDataFolder() + QStringLiteral("/history.dat");
}

SavedList loadServerCache(const QString& path, QString* error)
{
    SavedList out;
    QFile f(toLocalPath(path));
    if (!f.exists())
        return out;
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return SavedList{};
    };
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString());
    if (f.size() > kMaxCacheBytes)
        return fail(QStringLiteral("The saved server list is too big to be one."));
    const QByteArray bytes = f.readAll();
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, count = 0;
    quint16 version = 0;
    qint64 savedMs = 0;
    in >> magic >> version >> savedMs >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion ||
        count > kMaxRows)
        return fail(QStringLiteral("The saved server list is not one this version reads."));
    out.rows.reserve(count);
    for (quint32 k = 0; k < count; ++k) {
        ServerRow r;
        QString address;
        quint8 state = 0;
        qint32 ping = -1;
        in >> r.key >> address >> r.sources >> state >> ping >> r.answered;
        if (in.status() != QDataStream::Ok || !readInfo(in, r.info))
            return fail(QStringLiteral("The saved server list is damaged."));
        query::ServerAddress a;
        const QString canonical = serverKey(address, &a);
        if (r.key.isEmpty() || (!address.isEmpty() && canonical != address))
            return fail(QStringLiteral("The saved server list is damaged."));
        r.address = a;
        r.sources &= Internet | Lan; // the book and the history say the rest
        r.pingMs = ping;
        r.old = r.answered;
        r.state = state == quint8(RowState::NoReply) ? RowState::NoReply : RowState::Unknown;
        out.rows.push_back(std::move(r));
    }
    if (!in.atEnd())
        return fail(QStringLiteral("The saved server list is damaged."));
    out.savedAt = QDateTime::fromMSecsSinceEpoch(savedMs);
    return out;
}

bool saveServerCache(const QString& path, const ServerTable& table, const QDateTime& savedAt,
                     QString* error)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    quint32 count = 0;
    auto kept = [](const ServerRow& r) {
        return (r.sources & (Internet | Lan)) || (r.sources && r.answered);
    };
    for (int i = 0; i < table.size(); ++i)
        count += kept(table.row(i)) ? 1 : 0;
    out << kMagic << kVersion << savedAt.toMSecsSinceEpoch() << count;
    for (int i = 0; i < table.size(); ++i) {
        const ServerRow& r = table.row(i);
        if (!kept(r))
            continue;
        const quint8 state =
            quint8(r.state == RowState::NoReply ? RowState::NoReply : RowState::Unknown);
        out << r.key << (r.address.isNull() ? QString() : r.address.toString())
            << quint8(r.sources & (Internet | Lan)) << state << qint32(r.pingMs) << r.answered;
        writeInfo(out, r.info);
    }
    return writeFileAtomic(toLocalPath(path), bytes, error);
}

QList<JoinedServer> loadHistory(const QString& path)
{
    QList<JoinedServer> out;
    LineReader reader;
    if (!reader.open(toLocalPath(path)))
        return out;
    while (!reader.atEnd() && out.size() < kHistoryLength) {
        const QString line = reader.readLine();
        const qsizetype tab = line.indexOf(u'\t');
        const QString address = (tab < 0 ? line : line.left(tab)).trimmed();
        if (address.isEmpty())
            continue;
        bool known = false;
        for (const JoinedServer& j : out)
            known = known || j.address == address;
        if (!known)
            out.append({address, tab < 0 ? 0 : line.mid(tab + 1).trimmed().toLongLong()});
    }
    return out;
}

bool recordJoin(const QString& path, const QString& address, qint64 joinedMs, QString* error)
{
    QList<JoinedServer> list = loadHistory(path);
    list.removeIf([&](const JoinedServer& j) { return j.address == address; });
    list.prepend({address, joinedMs});
    LineWriter out;
    for (int i = 0; i < list.size() && i < kHistoryLength; ++i)
        out.line(list[i].address + u'\t' + QString::number(list[i].joinedMs));
    return writeFileAtomic(toLocalPath(path), out.bytes(), error);
}

} // namespace fragdeck::browser
