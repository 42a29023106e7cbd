#include "WatchCli.h"

#include "core/DesktopNotifications.h"
#include "core/GameInstall.h"
#include "core/Settings.h"
#include "game/GameText.h"
#include "servers/ServerListSettings.h"
#include "servers/Watcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace fragdeck::cli
{
namespace
{

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the loop from the event loop, not from inside a handler.
class SignalStop
{
public:
    explicit SignalStop(QEventLoop* loop)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, loop, &QEventLoop::quit);
        struct sigaction sa {
        };
        sa.sa_handler = onSignal;
        ::sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &m_int);
        ::sigaction(SIGTERM, &sa, &m_term);
    }
    ~SignalStop()
    {
        if (!m_notifier)
            return;
        ::sigaction(SIGINT, &m_int, nullptr);
        ::sigaction(SIGTERM, &m_term, nullptr);
        m_notifier.reset();
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_int {
    };
    struct sigaction m_term {
    };
};

} // namespace

QByteArray formatWatchEvent(const servers::WatchEvent& e, const Options& o, const QDateTime& at)
{
    const QString address = e.address.toString();
    if (o.json) {
        QJsonObject j;
        j.insert(QStringLiteral("event"), servers::eventName(e.kind));
        j.insert(QStringLiteral("friend"), e.kind == servers::WatchEvent::SeatFree
                                               ? QJsonValue(QJsonValue::Null)
                                               : QJsonValue(e.friendName));
        j.insert(QStringLiteral("address"), address);
        j.insert(QStringLiteral("server"), e.server);
        j.insert(QStringLiteral("clients"), e.clients);
        j.insert(QStringLiteral("max"), e.max);
        j.insert(QStringLiteral("time"), at.toUTC().toString(Qt::ISODate));
        return QJsonDocument(j).toJson(QJsonDocument::Compact) + '\n';
    }
    const auto shown = [&](const QString& text) {
        return printable(o.rawNames ? text : withoutColourCodes(text, CaretRule::QueryEngine));
    };
    QString line;
    switch (e.kind) {
    case servers::WatchEvent::FriendOnline:
        line = QStringLiteral("friend-online\t%1\t%2\t%3")
                   .arg(shown(e.friendName), address, shown(e.server));
        break;
    case servers::WatchEvent::FriendOffline:
        line = QStringLiteral("friend-offline\t%1\t%2").arg(shown(e.friendName), address);
        break;
    case servers::WatchEvent::SeatFree:
        line = QStringLiteral("seat-free\t%1\t%2/%3").arg(address).arg(e.clients).arg(e.max);
        break;
    }
    return line.toUtf8() + '\n';
}

int runWatch(const Options& o, const servers::Resolver& resolver, const WatchOutput& out)
{
    QEventLoop loop;
    servers::Watcher watcher;
    watcher.setResolver(resolver);
    watcher.setIntervalSeconds(o.intervalS);
    servers::PollerSettings settings = servers::loadPollerSettings();
    settings.attemptTimeoutMs = std::max(1, (o.timeoutMs + 1) / 2);
    watcher.setPollerSettings(settings);
    watcher.setFriends(servers::FriendList(o.friends));
    const QList<servers::MasterServer> masters = servers::parseMasterList(o.masters);
    watcher.setMasters(masters, o.protocolVersion);

    // The addresses once, before the first look.
    QList<ServerAddress> given;
    int unresolved = 0;
    for (const QString& address : o.addresses) {
        const Target t = parseAddress(address);
        resolver(
            t.host, &loop,
            [&, host = t.host, port = quint16(t.port)](const QList<QHostAddress>& found) {
                if (found.isEmpty()) {
                    ++unresolved;
                    if (out.problem)
                        out.problem(QStringLiteral("%1: cannot resolve").arg(host));
                    return;
                }
                given.append(ServerAddress{servers::preferredAddress(found), port}.normalised());
                watcher.setServers(given); // a name looked up later joins the next look
            });
    }
    if (!o.addresses.isEmpty() && unresolved == o.addresses.size() && masters.isEmpty())
        return ExitUsage;

    std::unique_ptr<DesktopNotifications> desktop;
    if (o.notify) {
        desktop = std::make_unique<DesktopNotifications>();
        if (!desktop->available() && out.problem)
            out.problem(QStringLiteral("no desktop notification service: events are printed only"));
        QObject::connect(
            desktop.get(), &DesktopNotifications::actionInvoked, &loop,
            [&](const QVariant& tag, const QString& action) {
                if (action != QLatin1String("join"))
                    return;
                const QString address = tag.toString();
                const QString q3path =
                    GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                               QStringLiteral("Q3path"));
                QString why = gameArgumentProblem(QStringLiteral("server address"), address);
                if (why.isEmpty())
                    startGame(q3path, QStringLiteral(" +connect ") + address, nullptr, &why);
                if (!why.isEmpty() && out.problem)
                    out.problem(why);
            });
    }
    QObject::connect(&watcher, &servers::Watcher::problem, &loop, [&](const QString& text) {
        if (out.problem)
            out.problem(text);
    });
    QObject::connect(&watcher, &servers::Watcher::event, &loop, [&](const servers::WatchEvent& e) {
        if (out.line)
            out.line(formatWatchEvent(e, o, QDateTime::currentDateTimeUtc()));
        if (desktop) {
            desktop->notify(servers::noticeSummary(e), servers::noticeBody(e),
                            servers::noticeJoins(e) ? QStringLiteral("join") : QString(),
                            QStringLiteral("Join"), e.address.toString());
        }
    });
    SignalStop stop(&loop);
    watcher.start();
    loop.exec();
    watcher.stop();
    return ExitOk;
}

} // namespace fragdeck::cli
