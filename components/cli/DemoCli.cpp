#include "DemoCli.h"

#include "QueryCli.h"
#include "core/Failure.h"
#include "core/Paths.h"
#include "game/GameText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fragdeck::cli
{

QString demoUsageText()
{
    return QStringLiteral(
        "Usage: fragdeck-demo [--json] FILE...\n"
        "Says what recorded demos hold: map, server, game type, length, players and the\n"
        "player who recorded it. FILE is a demo file (.dm3, .dm_48, .dm_66 to .dm_71) or a\n"
        "member of an archive written ARCHIVE.pk3:demos/name.dm_71.\n"
        "\n"
        "Options:\n"
        "  --json   one JSON array, an object per demo (names keep their colour codes)\n"
        "  --help   this text\n"
        "\n"
        "Without --json each demo is one line of tab-separated fields: file, protocol,\n"
        "map, server, game type, length, player count, players, recorder; or file,\n"
        "\"error\" and the reason.\n"
        "\n"
        "Exit status: 0 every demo read, 1 some could not be read, 2 usage error.\n");
}

bool parseDemoArguments(const QStringList& args, DemoOptions* out, QString* error)
{
    DemoOptions& o = *out;
    bool options = true;
    for (const QString& a : args) {
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && a == QLatin1String("--json")) {
            o.json = true;
        } else if (options && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            o.help = true;
        } else if (options && a.startsWith(u'-') && a.size() > 1) {
            return fail(error, QStringLiteral("unknown option %1").arg(a));
        } else {
            o.files.append(a);
        }
    }
    if (o.files.isEmpty() && !o.help)
        return fail(error, QStringLiteral("no demo file given"));
    return true;
}

bool parseDemoTarget(const QString& argument, archive::DemoSource* source, QString* error)
{
    const QString noFile = QStringLiteral("no such file");
    if (argument.isEmpty())
        return fail(error, noFile);
    if (QFileInfo(toLocalPath(argument)).isFile()) {
        *source = {};
        source->file = argument;
        return true;
    }
    for (qsizetype colon = argument.indexOf(u':'); colon > 0;
         colon = argument.indexOf(u':', colon + 1)) {
        const QString archive = argument.left(colon);
        const QString member = argument.mid(colon + 1);
        if (!member.isEmpty() && QFileInfo(toLocalPath(archive)).isFile()) {
            *source = {};
            source->archive = archive;
            source->member = member;
            return true;
        }
    }
    return fail(error, noFile);
}

DemoResult readDemoArgument(const QString& argument)
{
    DemoResult r;
    r.file = argument;
    archive::DemoSource source;
    if (!parseDemoTarget(argument, &source, &r.info.error))
        return r;
    r.info = archive::readDemoSource(source, DemoDepth::Whole);
    return r;
}

QString formatDemoPlain(const DemoResult& r)
{
    const DemoInfo& i = r.info;
    if (!i.readable)
        return QStringLiteral("%1\terror\t%2\n").arg(printable(r.file), printable(i.error));
    QStringList names;
    for (const DemoPlayer& p : i.players)
        names.append(withoutColourCodes(p.name));
    // One pass over all fields, so a "%1" in a name stays as it is.
    return QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
        .arg(printable(r.file), QString::number(i.protocol), printable(i.map),
             printable(withoutColourCodes(i.server)), gameTypeName(i.gameType),
             i.lengthKnown ? formatDuration(i.durationMs) : QStringLiteral("?"),
             QString::number(i.players.size()), printable(names.join(QStringLiteral(", "))),
             printable(withoutColourCodes(i.recorder)));
}

QByteArray formatDemoJson(const QList<DemoResult>& results)
{
    QJsonArray out;
    for (const DemoResult& r : results) {
        const DemoInfo& i = r.info;
        QJsonObject o;
        o.insert(QStringLiteral("file"), r.file);
        if (!i.readable) {
            o.insert(QStringLiteral("error"), i.error);
            out.append(o);
            continue;
        }
        o.insert(QStringLiteral("protocol"), i.protocol);
        o.insert(QStringLiteral("map"), i.map);
        o.insert(QStringLiteral("server"), i.server);
        o.insert(QStringLiteral("gametype"), i.gameType);
        o.insert(QStringLiteral("gametype_name"), gameTypeName(i.gameType));
        QJsonArray names, details;
        for (const DemoPlayer& p : i.players) {
            names.append(p.name);
            details.append(QJsonObject{{QStringLiteral("client"), p.client},
                                       {QStringLiteral("name"), p.name},
                                       {QStringLiteral("team"), teamName(p.team)},
                                       {QStringLiteral("left"), p.left}});
        }
        o.insert(QStringLiteral("players"), names);
        o.insert(QStringLiteral("player_details"), details);
        o.insert(QStringLiteral("recorder"),
                 i.recorder.isEmpty() ? QJsonValue() : QJsonValue(i.recorder));
        o.insert(QStringLiteral("duration_ms"),
                 i.lengthKnown ? QJsonValue(double(i.durationMs)) : QJsonValue());
        if (i.scoreKnown)
            o.insert(QStringLiteral("score"), QJsonObject{{QStringLiteral("red"), i.redScore},
                                                          {QStringLiteral("blue"), i.blueScore}});
        if (!i.note.isEmpty())
            o.insert(QStringLiteral("note"), i.note);
        out.append(o);
    }
    return QJsonDocument(out).toJson(QJsonDocument::Indented);
}

} // namespace fragdeck::cli
