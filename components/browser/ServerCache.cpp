#include "ServerCache.h"

#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "core/TextFile.h"
#include "servers/AddressScope.h"

#include <QDataStream>
#include <QFile>
#include <QIODevice>
#include <QSet>
#include <algorithm>

namespace fragdeck::browser
{
namespace
{

constexpr quint32 kMagic = 0x46444c53; // "FDLS"
constexpr quint16 kVersion = 2;
constexpr qint64 kMaxCacheBytes = qint64(64) * 1024 * 1024;
constexpr quint32 kMaxRows = 200000;

enum ReplyKind : quint8 { NoReply = 0, Status = 1, Info = 2 };

// One row as its own framed record, so a damaged one is dropped alone. The answer is kept
// as the reply it came from and read back through the live parser, with the live bounds.
QByteArray encodeRow(const ServerRow& r)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    const quint8 state =
        quint8(r.state == RowState::NoReply ? RowState::NoReply : RowState::Unknown);
    const quint8 kind = !r.answered ? NoReply : r.info.infoReply ? Info : Status;
    out << r.key << (r.address.isNull() ? QString() : r.address.toString())
        << quint8(r.sources & (Internet | Lan)) << state << qint32(r.pingMs) << kind
        << (kind == Info     ? servers::infoDatagram(r.info)
            : kind == Status ? servers::statusDatagram(r.info)
                             : QByteArray());
    return bytes;
}

bool decodeRow(const QByteArray& bytes, const servers::ReplyLimits& limits, ServerRow* r)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    QString address;
    quint8 state = 0, kind = 0;
    qint32 ping = -1;
    QByteArray reply;
    in >> r->key >> address >> r->sources >> state >> ping >> kind >> reply;
    if (in.status() != QDataStream::Ok || !in.atEnd() || r->key.isEmpty() || kind > Info)
        return false;
    ServerAddress a;
    const QString canonical = serverKey(address, &a);
    if (!address.isEmpty() && canonical != address)
        return false;
    if (!a.isNull() && !servers::queryable(servers::addressScope(a.host)))
        return false;
    if (kind != NoReply) {
        const auto parsed = kind == Info ? servers::parseInfoResponse(reply, limits)
                                         : servers::parseStatusResponse(reply, limits);
        if (!parsed)
            return false;
        r->info = parsed->info;
        r->answered = true;
    }
    r->address = a;
    r->sources &= Internet | Lan; // the book and the history say the rest
    r->pingMs = std::clamp<qint32>(ping, -1, 999999);
    r->old = r->answered;
    r->state = state == quint8(RowState::NoReply) ? RowState::NoReply : RowState::Unknown;
    return true;
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

SavedList loadServerCache(const QString& path, const servers::ReplyLimits& limits, QString* error)
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
    return readServerCache(f.readAll(), limits, error);
}

SavedList readServerCache(const QByteArray& bytes, const servers::ReplyLimits& limits,
                          QString* error)
{
    SavedList out;
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return SavedList{};
    };
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
    int dropped = 0;
    QSet<QString> keys;
    quint32 k = 0;
    for (; k < count; ++k) {
        QByteArray record;
        in >> record;
        if (in.status() != QDataStream::Ok)
            break; // the framing itself is damaged: nothing after this can be trusted
        ServerRow r;
        if (!decodeRow(record, limits, &r) || keys.contains(r.key)) {
            ++dropped;
            continue;
        }
        keys.insert(r.key);
        out.rows.push_back(std::move(r));
    }
    dropped += int(count - k);
    if (!dropped && !in.atEnd())
        dropped = -1; // whole rows, then bytes that are none
    if (dropped > 0 && error)
        *error = QStringLiteral("%1 of its %2 servers were damaged and left out.")
                     .arg(dropped)
                     .arg(count);
    else if (dropped < 0 && error)
        *error = QStringLiteral("It ends in bytes that are not a server; they were left out.");
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
    for (int i = 0; i < table.size(); ++i)
        if (kept(table.row(i)))
            out << encodeRow(table.row(i));
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
