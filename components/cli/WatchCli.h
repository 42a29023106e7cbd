#pragma once
// fragdeck-query --watch: the given servers, or the masters' servers, looked at every
// interval; one line per event (JSON Lines with --json), and with --notify each event on
// the desktop too, whose "Join" button starts the game connected.
#include "QueryCli.h"
#include "servers/Resolver.h"
#include "servers/Watch.h"

#include <QByteArray>
#include <QDateTime>
#include <functional>

namespace fragdeck::cli
{

struct WatchOutput {
    std::function<void(const QByteArray&)> line; // one event, ending in "\n"
    std::function<void(const QString&)> problem;
};

// "friend-online NAME ADDRESS SERVER", "friend-offline NAME ADDRESS",
// "seat-free ADDRESS CLIENTS/MAX"; with --json one JSON object with event, friend, address,
// server, clients, max and time.
QByteArray formatWatchEvent(const servers::WatchEvent& event, const Options& options,
                            const QDateTime& at);

// Watches until SIGINT or SIGTERM, then returns 0; 2 when no address can be resolved.
int runWatch(const Options& options, const servers::Resolver& resolver, const WatchOutput& out);

} // namespace fragdeck::cli
