#include "NetSettings.h"
#include "core/AtomicFile.h"

#include "core/Paths.h"
#include "core/TextFile.h"

namespace fragdeck::net
{

const std::array<NetVar, VarCount>& netVars()
{
    // Ranges are those the game and its servers accept; outside them the value is clamped
    // or ignored, so the tuner refuses them.
    static const std::array<NetVar, VarCount> vars{{
        {"rate", 1000, 90000, 3000,
         "Bytes per second the server may send you; match it to your line's speed."},
        {"snaps", 1, 40, 20,
         "Snapshots per second you ask the server for; it sends no more than its own sv_fps."},
        {"cl_maxpackets", 15, 125, 30, "Packets per second you send to the server at most."},
        {"cl_packetdup", 0, 5, 1,
         "How often each command is repeated in later packets, against packet loss."},
        {"cl_timenudge", -30, 30, 0,
         "Milliseconds of prediction shift; negative values show others sooner."},
    }};
    return vars;
}

const QList<Preset>& presets()
{
    static const QList<Preset> list{
        {QStringLiteral("Dial-up 56k"), {4000, 20, 30, 1, 0}},
        {QStringLiteral("ISDN"), {8000, 20, 40, 1, 0}},
        {QStringLiteral("DSL / cable"), {25000, 30, 63, 1, 0}},
        {QStringLiteral("Fibre / LAN"), {90000, 40, 125, 0, 0}},
    };
    return list;
}

int presetMatching(const Values& values)
{
    for (int i = 0; i < presets().size(); ++i)
        if (presets()[i].values == values)
            return i;
    return -1;
}

namespace
{
int indexOf(const QString& name)
{
    for (int i = 0; i < VarCount; ++i)
        if (name.compare(QLatin1String(netVars()[size_t(i)].name), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The variable a line's words set with "seta", or -1.
int setaIndex(const QStringList& t)
{
    if (t.size() < 3 || t[0].compare(QLatin1String("seta"), Qt::CaseInsensitive) != 0)
        return -1;
    return indexOf(t[1]);
}
} // namespace

QMap<QString, QString> readValues(const cfg::CfgLines& file)
{
    QMap<QString, QString> out;
    for (const cfg::Line& l : file.lines) {
        const QStringList t = cfg::tokens(l.text);
        const int i = setaIndex(t);
        if (i >= 0)
            out[QLatin1String(netVars()[size_t(i)].name)] = t[2];
    }
    return out;
}

QString checkValue(const NetVar& var, const QString& text, int* value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < var.min || v > var.max)
        return QStringLiteral("%1 must be a whole number from %2 to %3.")
            .arg(QLatin1String(var.name))
            .arg(var.min)
            .arg(var.max);
    if (value)
        *value = v;
    return QString();
}

cfg::CfgLines writeValues(const cfg::CfgLines& file, const Values& values)
{
    auto line = [&](int i) {
        return QStringLiteral("seta %1 \"%2\"")
            .arg(QLatin1String(netVars()[size_t(i)].name))
            .arg(values[size_t(i)]);
    };
    cfg::CfgLines out = file;
    std::array<bool, VarCount> written{};
    for (cfg::Line& l : out.lines) {
        const QStringList t = cfg::tokens(l.text);
        const int i = setaIndex(t);
        if (i < 0)
            continue;
        // A line that already says this keeps its own spelling.
        if (t[2] != QString::number(values[size_t(i)]))
            l.text = line(i);
        written[size_t(i)] = true;
    }
    for (int i = 0; i < VarCount; ++i)
        if (!written[size_t(i)])
            out.append(line(i));
    return out;
}

bool saveValues(const QString& path, const Values& values, QString* error)
{
    for (int i = 0; i < VarCount; ++i) {
        const QString problem =
            checkValue(netVars()[size_t(i)], QString::number(values[size_t(i)]), nullptr);
        if (!problem.isEmpty()) {
            *error = problem;
            return false;
        }
    }
    cfg::CfgLines file;
    if (!cfg::loadConfig(path, &file, error))
        return false;
    QString why;
    if (!cfg::saveConfig(path, writeValues(file, values).bytes(), &why)) {
        *error = QStringLiteral("The network settings could not be saved; the config file was "
                                "left unchanged.\n%1")
                     .arg(why);
        return false;
    }
    return true;
}

} // namespace fragdeck::net
