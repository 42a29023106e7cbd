#pragma once
// The key binder's logic: the game's actions, the keys bound to them in q3config.cfg,
// key names as the game writes them, and the rewrite of the changed bind lines.
#include "game/CfgLines.h"

#include <QList>
#include <QMap>
#include <QString>

namespace fragdeck::bind
{

struct Action {
    QString group;
    QString command;
    QString description;
};
// The actions the binder lists, in groups.
const QList<Action>& actionTable();
// True when `command` is one of the table's (compared as the game does, ignoring case).
bool isListedAction(const QString& command);

// The game's name of a key (Qt key code, keypad flag, the typed text); empty when the game
// cannot bind it.
QString keyName(int qtKey, bool keypad, const QString& text);
// Mouse buttons 1..5 and wheel directions.
QString mouseButtonName(int button);
QString wheelName(bool up);
// The key name as compared: single characters lower case, names upper case.
QString normalKey(const QString& key);

class Bindings
{
public:
    // Reads the bind lines; the last line for a key is the one the game keeps.
    void load(const cfg::CfgLines& file);
    // Key (as written) -> command, now.
    QString commandOf(const QString& key) const;
    QStringList keysOf(const QString& command) const;
    QStringList keys() const;
    // Every bound command that the action table does not list, sorted.
    QStringList otherCommands() const;
    // Binds key to command; the key's earlier command is dropped (the caller asks first).
    void bind(const QString& key, const QString& command);
    void unbindKey(const QString& key);
    void clearCommand(const QString& command);
    bool changed() const;
    // The file with only the changed bind lines rewritten and new ones appended. A cleared
    // key loses its lines where an "unbindall" comes first (as in the files the game writes);
    // elsewhere its last line becomes an empty bind, so that the game's default bind of the
    // key does not come back.
    cfg::CfgLines apply(const cfg::CfgLines& file) const;

private:
    struct Entry {
        QString key; // as written
        QString command;
    };
    QMap<QString, Entry> m_loaded; // by normal key
    QMap<QString, Entry> m_now;
};

// A command the binder can write inside one quoted bind line; empty text when fine.
QString commandProblem(const QString& command);

// Saves the bindings into the config file at `path` atomically; false with a message.
bool saveBindings(const QString& path, const Bindings& bindings, QString* error);

} // namespace fragdeck::bind
