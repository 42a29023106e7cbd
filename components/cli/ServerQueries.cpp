#include "ServerQueries.h"

#include "core/Countries.h"
#include "game/GameText.h"
#include "servers/MasterClient.h"
#include "servers/ServerListSettings.h"
#include "servers/ServerPoller.h"

#include <QEventLoop>
#include <QHash>
#include <QPointer>
#include <QTimer>

namespace fragdeck::cli
{
namespace
{

// One output line: a command-line address (resolved or not) or a listed server.
struct Slot {
    QString shown;
    int row = -1; // poller row, once known
    bool done = false;
    ResultView result;
};

} // namespace

ResultView toResult(const QString& address, const servers::ServerResult& row, const Options& o)
{
    ResultView r;
    r.address = address;
    r.country = CountryDatabase::shared().countryOf(row.address.host);
    if (row.status != servers::ServerResult::Status::Ok) {
        r.status = ResultView::TimedOut;
        return r;
    }
    r.status = ResultView::Ok;
    const servers::ServerInfo& info = row.info;
    r.name = info.hostname;
    r.map = info.mapname;
    r.maxClients = info.value("sv_maxclients");
    r.playerCount = info.playerCount();
    r.botCount = info.botCount();
    r.rttMs = double(row.pingUs) / 1000.0;
    if (o.players)
        for (const servers::PlayerInfo& p : info.players)
            r.players.append(
                {QString::number(p.score), QString::number(p.ping),
                 o.rawNames ? p.name : withoutColourCodes(p.name, CaretRule::QueryEngine)});
    if (o.rules)
        for (const auto& [name, value] : info.pairs())
            r.rules.append({name, value});
    return r;
}

int runServerQueries(const Options& o, const servers::Resolver& resolver, const QueryOutput& out,
                     QList<ResultView>* all)
{
    QEventLoop loop;
    servers::ServerPoller poller;
    servers::PollerSettings settings = servers::loadPollerSettings();
    // The time-out is the whole time a server has; three attempts share it.
    settings.attemptTimeoutMs = std::max(1, (o.timeoutMs + 2) / 3);
    settings.maxAttempts = 3;
    poller.setSettings(settings);
    servers::MasterClient masters;
    masters.setResolver(resolver);
    masters.setLimits(servers::loadMasterLimits());

    QList<Slot> lines;
    QHash<int, QList<int>> linesOfRow;
    int printed = 0;
    int pendingLookups = 0;
    bool mastersDone = o.masters.isEmpty();
    bool failed = false;

    const auto flush = [&] {
        while (printed < lines.size() && lines[printed].done) {
            if (out.result)
                out.result(lines[printed].result);
            if (lines[printed].result.status != ResultView::Ok)
                failed = true;
            ++printed;
        }
    };
    const auto complete = [&](int row) {
        const servers::ServerResult& polled = poller.at(row);
        if (out.note && polled.info.cut && polled.status == servers::ServerResult::Status::Ok)
            out.note(QStringLiteral("server %1: %2")
                         .arg(polled.address.toString(), polled.info.cutNote(settings.limits)));
        for (int i : linesOfRow.value(row)) {
            lines[i].result = toResult(lines[i].shown, poller.at(row), o);
            lines[i].done = true;
        }
        flush();
    };
    const auto maybeClose = [&] {
        if (pendingLookups == 0 && mastersDone)
            poller.setListOpen(false);
    };
    const auto place = [&](int slot, const ServerAddress& given) {
        // The poller knows a server by its one normal form; so must every look-up here.
        const ServerAddress a = given.normalised();
        int row = poller.indexOf(a);
        if (row < 0) {
            poller.addServers({a});
            row = poller.indexOf(a);
        }
        if (row < 0) {
            lines[slot].result.address = lines[slot].shown;
            lines[slot].result.status = ResultView::Failed;
            lines[slot].result.error = QStringLiteral("a %1 address is never queried")
                                           .arg(servers::scopeName(servers::addressScope(a.host)));
            lines[slot].done = true;
            flush();
            return;
        }
        lines[slot].row = row;
        linesOfRow[row].append(slot);
        const servers::ServerResult& r = poller.at(row);
        if (r.status == servers::ServerResult::Status::Ok ||
            r.status == servers::ServerResult::Status::NoReply)
            complete(row); // the same server was asked for before and is known already
    };

    QObject::connect(&poller, &servers::ServerPoller::serverUpdated, &loop, complete);
    QObject::connect(&poller, &servers::ServerPoller::finished, &loop, [&] { loop.quit(); });
    QObject::connect(&masters, &servers::MasterClient::serversFound, &loop,
                     [&](const QList<ServerAddress>& found) {
                         for (const ServerAddress& a : found) {
                             if (poller.indexOf(a) >= 0)
                                 continue; // on the command line too: shown once, there
                             lines.append({a.toString(), -1, false, {}});
                             place(int(lines.size()) - 1, a);
                         }
                     });
    QObject::connect(&masters, &servers::MasterClient::masterFinished, &loop, [&](int index) {
        const servers::MasterOutcome m = masters.outcomes()[index];
        const bool complete = m.state == servers::MasterOutcome::State::Complete;
        const bool cut = m.overServerLimit || m.datagramLimit || m.timeLimit;
        const QString notes = m.notes(masters.limits());
        const QString tail = notes.isEmpty() ? QString() : QStringLiteral("; ") + notes;
        failed = failed || !complete;
        if ((!complete || cut) && out.problem)
            out.problem(QStringLiteral("master %1: %2%3")
                            .arg(m.master.toString(), servers::describe(m.state), tail));
        else if (out.note)
            out.note(QStringLiteral("master %1: %2, %3 servers listed%4")
                         .arg(m.master.toString(), servers::describe(m.state))
                         .arg(m.servers)
                         .arg(tail));
    });
    QObject::connect(&masters, &servers::MasterClient::finished, &loop, [&] {
        mastersDone = true;
        maybeClose();
    });

    poller.setListOpen(true);
    poller.refreshAll();
    for (const QString& address : o.addresses) {
        lines.append({address, -1, false, {}});
        ++pendingLookups;
    }
    // Look-ups may answer at once or later; each fills its own slot.
    for (int i = 0; i < o.addresses.size(); ++i) {
        const Target t = parseAddress(o.addresses[i]);
        resolver(t.host, &loop, [&, i, port = quint16(t.port)](const QList<QHostAddress>& found) {
            const QHostAddress chosen = servers::preferredAddress(found);
            if (chosen.isNull()) {
                lines[i].result.address = lines[i].shown;
                lines[i].result.status = ResultView::CannotResolve;
                lines[i].done = true;
                flush();
            } else {
                place(i, {chosen, port});
            }
            --pendingLookups;
            maybeClose();
        });
    }
    if (!o.masters.isEmpty()) {
        masters.query(servers::parseMasterList(o.masters), o.protocolVersion);
    }
    if (poller.isRunning())
        loop.exec();
    flush();
    if (all) {
        all->clear();
        for (const Slot& s : lines)
            all->append(s.result);
    }
    return failed || printed < lines.size() ? ExitTimedOut : ExitOk;
}

} // namespace fragdeck::cli
