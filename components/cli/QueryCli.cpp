#include "QueryCli.h"

#include "core/Failure.h"
#include "game/GameText.h"
#include "servers/MasterClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fragdeck::cli
{
namespace
{

const QStringList kProtocols = {QStringLiteral("QUAKE3"), QStringLiteral("QUAKE2"),
                                QStringLiteral("QUAKEWORLD"), QStringLiteral("HALFLIFE"),
                                QStringLiteral("CUSTOM")};

// A whole number like the engine's own reading of a field ("48" -> 48, "x" -> 0).
qint64 leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    qsizetype j = i;
    if (j < text.size() && (text[j] == u'-' || text[j] == u'+'))
        ++j;
    while (j < text.size() && text[j].isDigit() && j - i < 18)
        ++j;
    return text.mid(i, j - i).toLongLong();
}

QString shownName(const QString& name, const Options& o)
{
    return o.rawNames ? name : withoutColourCodes(name, CaretRule::QueryEngine);
}

} // namespace

void print(FILE* to, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

QString usageText()
{
    return QStringLiteral(
               "Usage: fragdeck-query [options] ADDRESS...\n"
               "       fragdeck-query [options] --master HOST[:PORT] [ADDRESS...]\n"
               "       fragdeck-query --watch [--friend PATTERN]... [--interval S] [--notify]\n"
               "                      [--json] ADDRESS... | --master HOST...\n"
               "Queries game servers over UDP. ADDRESS is host or host:port (port %1 when\n"
               "absent). Quake III servers are queried all at once, up to three attempts each;\n"
               "the other protocols one after another.\n"
               "\n"
               "Options:\n"
               "  --master HOST[:PORT]  also query every server this master lists (port %3\n"
               "                        when absent); may be given more than once\n"
               "  --protocol-version N  protocol the masters are asked for: 68 (Quake III,\n"
               "                        ioquake3; default) or 71 (OpenArena)\n"
               "  --protocol NAME  QUAKE3 (default), QUAKE2, QUAKEWORLD, HALFLIFE or CUSTOM\n"
               "  --timeout MS     time a server has to answer, 0 to 32767 ms (default %2)\n"
               "  --players        one line per player: score, ping, name\n"
               "  --rules          one line per server rule: name, value\n"
               "  --raw-names      keep the colour codes in names\n"
               "  --json           one JSON document: an array with one object per server;\n"
               "                   \"players\" is the player count, or with --players the list\n"
               "  --watch          look again every interval until stopped (SIGINT, SIGTERM);\n"
               "                   one line per event: friend-online NAME ADDRESS SERVER,\n"
               "                   friend-offline NAME ADDRESS, seat-free ADDRESS CLIENTS/MAX;\n"
               "                   with --json one JSON object per line; the masters' lists\n"
               "                   are read again every 10 intervals\n"
               "  --friend PATTERN with --watch: a friend's name, colour codes and case\n"
               "                   ignored, * for any characters; may be given more than once\n"
               "  --interval S     with --watch: seconds between looks, 10 to 86400 (default\n"
               "                   60); each server gets one datagram a look, one retry at most\n"
               "  --notify         with --watch: each event on the desktop's notifications too\n"
               "  --verbose        also say on standard error what each master listed, which\n"
               "                   of its servers were skipped and why (only servers on the\n"
               "                   internet are queried, or of the master's own loopback or\n"
               "                   private network), and which replies were cut to size\n"
               "  --help           show this text\n"
               "\n"
               "Exit status: 0 every server answered, 1 a server or master did not answer in\n"
               "time or could not be resolved, 2 usage error, 3 the query engine could not be\n"
               "started.\n")
        .arg(kDefaultPort)
        .arg(kDefaultTimeoutMs)
        .arg(servers::kDefaultMasterPort);
}

bool parseArguments(const QStringList& args, Options* options, QString* error)
{
    Options& o = *options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString a = args[i];
        if (optionsEnded || !a.startsWith(u'-') || a == u'-') {
            o.addresses.append(a);
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString value;
        bool hasValue = false;
        const qsizetype eq = a.indexOf(u'=');
        if (a.startsWith(QLatin1String("--")) && eq > 0) {
            value = a.mid(eq + 1);
            a = a.left(eq);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        if (a == QLatin1String("--protocol")) {
            if (!takeValue())
                return fail(error, QStringLiteral("--protocol needs a protocol name"));
            const QString name = value.toUpper();
            if (!kProtocols.contains(name))
                return fail(error, QStringLiteral("unknown protocol \"%1\"").arg(value));
            o.protocol = name;
        } else if (a == QLatin1String("--master")) {
            if (!takeValue())
                return fail(error, QStringLiteral("--master needs a master server address"));
            servers::MasterServer m;
            if (!servers::MasterServer::parse(value, &m))
                return fail(error, QStringLiteral("bad master address \"%1\"").arg(value));
            o.masters.append(value);
        } else if (a == QLatin1String("--protocol-version")) {
            if (!takeValue())
                return fail(error, QStringLiteral("--protocol-version needs 68 or 71"));
            if (value != QLatin1String("68") && value != QLatin1String("71"))
                return fail(
                    error,
                    QStringLiteral("the protocol version \"%1\" is not 68 or 71").arg(value));
            o.protocolVersion = value.toInt();
        } else if (a == QLatin1String("--friend")) {
            if (!takeValue() || value.trimmed().isEmpty())
                return fail(error, QStringLiteral("--friend needs a name pattern"));
            o.friends.append(value);
        } else if (a == QLatin1String("--interval")) {
            bool ok = false;
            const int s = takeValue() ? value.toInt(&ok) : 0;
            if (!ok || s < kMinIntervalS || s > 86400)
                return fail(error, QStringLiteral("the interval \"%1\" is not %2 to 86400 seconds")
                                       .arg(value)
                                       .arg(kMinIntervalS));
            o.intervalS = s;
        } else if (a == QLatin1String("--timeout")) {
            if (!takeValue())
                return fail(error, QStringLiteral("--timeout needs a number of milliseconds"));
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms < 0 || ms > 32767)
                return fail(error,
                            QStringLiteral("the time-out \"%1\" is not 0 to 32767 ms").arg(value));
            o.timeoutMs = ms;
        } else if (hasValue) {
            return fail(error, QStringLiteral("%1 takes no value").arg(a));
        } else if (a == QLatin1String("--players")) {
            o.players = true;
        } else if (a == QLatin1String("--rules")) {
            o.rules = true;
        } else if (a == QLatin1String("--raw-names")) {
            o.rawNames = true;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
            o.verbose = true;
        } else if (a == QLatin1String("--watch")) {
            o.watch = true;
        } else if (a == QLatin1String("--notify")) {
            o.notify = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else
            return fail(error, QStringLiteral("unknown option %1").arg(a));
    }
    if (o.help)
        return true;
    if (o.addresses.isEmpty() && o.masters.isEmpty())
        return fail(error, QStringLiteral("no server address given"));
    if (!o.watch && (o.notify || !o.friends.isEmpty()))
        return fail(error, QStringLiteral("--friend and --notify go with --watch"));
    if (o.watch && o.protocol != QLatin1String("QUAKE3"))
        return fail(error, QStringLiteral("--watch watches Quake III servers: use it with QUAKE3"));
    if (!o.masters.isEmpty() && o.protocol != QLatin1String("QUAKE3"))
        return fail(error, QStringLiteral("--master lists Quake III servers: use it with QUAKE3"));
    for (const QString& address : o.addresses) {
        if (!parseAddress(address).ok)
            return fail(error, QStringLiteral("bad server address \"%1\"").arg(address));
    }
    return true;
}

Target parseAddress(const QString& address)
{
    Target t;
    quint16 port = 0;
    t.ok = readHostPort(address.trimmed(), kDefaultGamePort, &t.host, &port);
    if (t.ok)
        t.port = port;
    return t;
}

QString printable(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            c = u'?';
    }
    return out;
}

QString formatPlain(const ResultView& r, const Options& o)
{
    QString out = r.address;
    // The country is the line's last column, "-" when none is known.
    const QString country =
        QStringLiteral("\t") + (r.country.isEmpty() ? QStringLiteral("-") : r.country) + u'\n';
    if (r.status == ResultView::TimedOut)
        return out + QStringLiteral("\ttimeout") + country;
    if (r.status == ResultView::Failed)
        return out + QStringLiteral("\terror\t%1\n").arg(printable(r.error));
    if (r.status == ResultView::CannotResolve)
        return out + QStringLiteral("\tcannot resolve\n");
    out += QStringLiteral("\t%1\t%2\t%3/%4\t%5 ms")
               .arg(printable(shownName(r.name, o)), printable(r.map))
               .arg(r.playerCount)
               .arg(printable(r.maxClients))
               .arg(r.rttMs, 0, 'f', 1) +
           country;
    if (o.players)
        for (const PlayerLine& p : r.players)
            out += QStringLiteral("  player\t%1\t%2\t%3\n")
                       .arg(printable(p.score), printable(p.ping), printable(p.name));
    if (o.rules)
        for (const RuleLine& rule : r.rules)
            out +=
                QStringLiteral("  rule\t%1\t%2\n").arg(printable(rule.name), printable(rule.value));
    return out;
}

QByteArray formatJson(const QList<ResultView>& results, const Options& o)
{
    QJsonArray servers;
    for (const ResultView& r : results) {
        QJsonObject s;
        s.insert(QStringLiteral("address"), r.address);
        s.insert(QStringLiteral("country"),
                 r.country.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.country));
        switch (r.status) {
        case ResultView::TimedOut:
            s.insert(QStringLiteral("status"), QStringLiteral("timeout"));
            servers.append(s);
            continue;
        case ResultView::CannotResolve:
            s.insert(QStringLiteral("status"), QStringLiteral("cannot resolve"));
            servers.append(s);
            continue;
        case ResultView::Failed:
            s.insert(QStringLiteral("status"), QStringLiteral("error"));
            s.insert(QStringLiteral("error"), r.error);
            servers.append(s);
            continue;
        case ResultView::Ok:
            s.insert(QStringLiteral("status"), QStringLiteral("ok"));
            break;
        }
        s.insert(QStringLiteral("name"), shownName(r.name, o));
        s.insert(QStringLiteral("map"), r.map);
        s.insert(QStringLiteral("maxclients"), double(leadingNumber(r.maxClients)));
        s.insert(QStringLiteral("playercount"), r.playerCount);
        s.insert(QStringLiteral("rtt_ms"), qRound(r.rttMs * 10) / 10.0);
        s.insert(QStringLiteral("ping"), qRound(r.rttMs));
        if (r.botCount >= 0)
            s.insert(QStringLiteral("bots"), r.botCount);
        if (!o.players)
            s.insert(QStringLiteral("players"), r.playerCount);
        if (o.players) {
            QJsonArray players;
            for (const PlayerLine& p : r.players)
                players.append(
                    QJsonObject{{QStringLiteral("score"), double(leadingNumber(p.score))},
                                {QStringLiteral("ping"), double(leadingNumber(p.ping))},
                                {QStringLiteral("name"), p.name}});
            s.insert(QStringLiteral("players"), players);
        }
        if (o.rules) {
            QJsonArray rules;
            for (const RuleLine& rule : r.rules)
                rules.append(QJsonObject{{QStringLiteral("name"), rule.name},
                                         {QStringLiteral("value"), rule.value}});
            s.insert(QStringLiteral("rules"), rules);
        }
        servers.append(s);
    }
    return QJsonDocument(servers).toJson(QJsonDocument::Indented);
}

} // namespace fragdeck::cli
