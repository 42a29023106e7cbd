// fragdeck-query: queries game servers from the command line. Quake III servers (and the
// masters' lists) go through the server list engine, all at once; the other protocols
// through the query engine component, created by name and called late-bound exactly as the
// server browser does.
#include "QueryCli.h"
#include "ServerQueries.h"
#include "WatchCli.h"
#include "core/Activation.h"
#include "core/Countries.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "core/Variant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace fragdeck;
using namespace fragdeck::cli;

namespace
{

// The engine by its registered name; on a machine where it is not registered (or the
// registration points elsewhere) the program folder's own copy is registered first.
std::unique_ptr<QObject> createEngine(QString* why)
{
    const QString progId = QStringLiteral("scoutlink.commander");
    try {
        return CreateObject(progId);
    } catch (const Error&) {
    }
    const QString library = programFolder() + QStringLiteral("/system/scoutlink.so");
    if (!registerComponentLibrary(library, why))
        return nullptr;
    try {
        return CreateObject(progId);
    } catch (const Error& e) {
        *why = e.description();
        return nullptr;
    }
}

QVariant call(QObject* engine, const char* name, QVariantList args = {})
{
    return CallByName(engine, QString::fromLatin1(name), args);
}

ResultView queryServer(QObject* engine, const QString& address, const Options& o)
{
    ResultView r;
    r.address = address;
    const Target t = parseAddress(address);
    // A numeric address only: a name would need a look-up of its own here.
    if (QHostAddress numeric; numeric.setAddress(t.host))
        r.country = CountryDatabase::shared().countryOf(numeric);
    try {
        QElapsedTimer clock;
        clock.start();
        call(engine, "Connect", {t.host, t.port, o.protocol, o.timeoutMs});
        r.rttMs = double(clock.nsecsElapsed()) / 1e6;
        if (toBool(call(engine, "IsTimeout"))) {
            r.status = ResultView::TimedOut;
            return r;
        }
        r.name = toText(call(engine, "get_servername"));
        r.map = toText(call(engine, "get_mapname"));
        r.maxClients = toText(call(engine, "get_maxclients"));
        r.playerCount = toInt16(call(engine, "GetClientCount"));
        if (o.players) {
            for (int i = 0; i < r.playerCount; ++i) {
                QVariantList args{i, QVariant(), QVariant(), QVariant(), QVariant()};
                CallByName(engine, QStringLiteral("GetClientInfo"), args);
                r.players.append(
                    {toText(args[1]), toText(args[2]), toText(o.rawNames ? args[4] : args[3])});
            }
        }
        if (o.rules) {
            const int count = toInt16(call(engine, "GetRulesCount"));
            for (int i = 0; i < count; ++i) {
                QVariantList args{i, QVariant(), QVariant()};
                CallByName(engine, QStringLiteral("GetRulesInfo"), args);
                r.rules.append({toText(args[1]), toText(args[2])});
            }
        }
        call(engine, "Quit");
        r.status = ResultView::Ok;
    } catch (const Error& e) {
        r.status = ResultView::Failed;
        r.error = e.description();
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    // No window is ever created: this runs on machines without a display.
    QCoreApplication app(argc, argv);
    Options o;
    QString error;
    if (!parseArguments(app.arguments().mid(1), &o, &error)) {
        print(stderr, ("fragdeck-query: " + error + "\n\n" + usageText()).toLocal8Bit());
        return ExitUsage;
    }
    if (o.help) {
        print(stdout, usageText().toLocal8Bit());
        return ExitOk;
    }

    if (o.watch) {
        WatchOutput out;
        out.line = [](const QByteArray& line) { print(stdout, line); };
        out.problem = [](const QString& text) {
            print(stderr, ("fragdeck-query: " + printable(text) + "\n").toLocal8Bit());
        };
        return runWatch(o, servers::systemResolver(), out);
    }

    if (o.protocol == QLatin1String("QUAKE3")) {
        QList<ResultView> results;
        QueryOutput out;
        if (!o.json)
            out.result = [&](const ResultView& r) { print(stdout, formatPlain(r, o).toUtf8()); };
        out.problem = [](const QString& text) {
            print(stderr, ("fragdeck-query: " + printable(text) + "\n").toLocal8Bit());
        };
        if (o.verbose)
            out.note = out.problem;
        const int status = runServerQueries(o, servers::systemResolver(), out, &results);
        if (o.json)
            print(stdout, formatJson(results, o));
        return status;
    }

    // The other protocols, one server after another through the query engine component.
    QString why;
    const std::unique_ptr<QObject> engine = createEngine(&why);
    if (!engine) {
        print(stderr, QStringLiteral("fragdeck-query: the query engine cannot be started: %1\n")
                          .arg(why)
                          .toLocal8Bit());
        return ExitNoEngine;
    }

    QList<ResultView> results;
    int status = ExitOk;
    for (const QString& address : o.addresses) {
        const ResultView r = queryServer(engine.get(), address, o);
        if (r.status != ResultView::Ok)
            status = ExitTimedOut;
        if (!o.json)
            print(stdout, formatPlain(r, o).toUtf8()); // each server as soon as it is known
        results.append(r);
    }
    if (o.json)
        print(stdout, formatJson(results, o));
    return status;
}
