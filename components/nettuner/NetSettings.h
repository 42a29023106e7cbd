#pragma once
// The network tuner's logic: the five network variables with their ranges, the presets by
// connection, and the rewrite of their "seta" lines in q3config.cfg.
#include "game/CfgLines.h"

#include <QList>
#include <QMap>
#include <QString>
#include <array>

namespace fragdeck::net
{

struct NetVar {
    const char* name;
    int min;
    int max;
    int fallback; // the game's own default
    const char* explanation;
};
constexpr int VarCount = 5;
// rate, snaps, cl_maxpackets, cl_packetdup, cl_timenudge.
const std::array<NetVar, VarCount>& netVars();

using Values = std::array<int, VarCount>;
struct Preset {
    QString name;
    Values values;
};
const QList<Preset>& presets();
// The index of the preset with exactly these values, or -1.
int presetMatching(const Values& values);

// Value text of each variable's last "seta" line; variables without one are absent.
QMap<QString, QString> readValues(const cfg::CfgLines& file);
// Empty when `text` is a whole number in the variable's range (stored in *value); otherwise
// the message that says why not.
QString checkValue(const NetVar& var, const QString& text, int* value);
// Every "seta" line of the five variables rewritten with the new value, missing ones
// appended; all other lines as they were.
cfg::CfgLines writeValues(const cfg::CfgLines& file, const Values& values);
// Checks the range again, then writes the file atomically; false with a message.
bool saveValues(const QString& path, const Values& values, QString* error);

} // namespace fragdeck::net
