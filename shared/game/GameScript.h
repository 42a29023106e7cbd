#pragma once
// What the match starter and the demo player share: the rotation of a game script
// ("set d1 ... ; vstr d1") and the write-then-start step.
#include "core/GameInstall.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fragdeck
{

// The rotation lines for `names`, each ended by CR LF: "set dN \"VERB NAME ; set NEXT vstr
// dN+1\"" per name, the last one pointing back to d1 when `loop` is on, then "vstr d1".
// With no names the rotation is a single line of just its ending.
QByteArray rotationLines(const QString& verb, const QString& nextVariable, const QStringList& names,
                         bool loop);

// Why `scriptName` cannot be written into the installation or `program` (the game when
// empty) started from it: an unset or missing script folder, an unusable program path.
// Empty when it can.
QString scriptStartProblem(const GameInstall& install, const QString& scriptName,
                           const QString& program = QString());

// Writes `script` as `scriptName` into the installation's script folder, atomically, and
// starts `program` (the game when empty) with `arguments`. An unset or missing script
// folder or an unusable program path stops before anything is written, with a message
// saying what to set; every failure's message is the one the window shows.
bool writeScriptAndStart(const GameInstall& install, const QString& scriptName,
                         const QByteArray& script, const QString& arguments,
                         const QString& program = QString(), StartedProcess* started = nullptr,
                         QString* error = nullptr);

} // namespace fragdeck
