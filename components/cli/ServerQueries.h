#pragma once
// fragdeck-query's Quake III path: every address on the command line and every server the
// masters list, queried at once through the server list engine.
#include "QueryCli.h"
#include "servers/Resolver.h"
#include "servers/ServerPoller.h"

#include <QList>
#include <QString>
#include <functional>

namespace fragdeck::cli
{

struct QueryOutput {
    // Each server once it and every server before it are known: the command line's
    // addresses in their order, then the masters' servers in the order listed.
    std::function<void(const ResultView&)> result;
    // A master that gave no complete list ("master HOST:PORT: no reply"), or a bound
    // reached ("master HOST:PORT: complete; list cut at 2000 datagrams").
    std::function<void(const QString&)> problem;
    // With --verbose: what each master listed and what was skipped, and replies cut.
    std::function<void(const QString&)> note;
};

// Runs until every server answered or ran out of time; returns the exit status.
int runServerQueries(const Options& options, const servers::Resolver& resolver,
                     const QueryOutput& output, QList<ResultView>* all = nullptr);

// The poller's row as fragdeck-query shows it.
ResultView toResult(const QString& address, const servers::ServerResult& row,
                    const Options& options);

} // namespace fragdeck::cli
