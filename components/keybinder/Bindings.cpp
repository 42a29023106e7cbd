#include "Bindings.h"
#include "core/AtomicFile.h"

#include "core/Paths.h"
#include "core/TextFile.h"

#include <Qt>

namespace fragdeck::bind
{

const QList<Action>& actionTable()
{
    static const QList<Action> table = [] {
        QList<Action> t;
        auto add = [&t](const char* group, const char* command, const char* description) {
            t.append({QLatin1String(group), QLatin1String(command), QLatin1String(description)});
        };
        add("Movement", "+forward", "Move forward");
        add("Movement", "+back", "Move back");
        add("Movement", "+moveleft", "Strafe left");
        add("Movement", "+moveright", "Strafe right");
        add("Movement", "+moveup", "Jump");
        add("Movement", "+movedown", "Crouch");
        add("Movement", "+left", "Turn left");
        add("Movement", "+right", "Turn right");
        add("Movement", "+speed", "Walk / run");
        add("Movement", "+strafe", "Strafe modifier");
        for (int i = 1; i <= 9; ++i) {
            static const char* names[] = {"Gauntlet",         "Machinegun",      "Shotgun",
                                          "Grenade launcher", "Rocket launcher", "Lightning gun",
                                          "Railgun",          "Plasma gun",      "BFG10K"};
            t.append({QStringLiteral("Weapons"), QStringLiteral("weapon %1").arg(i),
                      QLatin1String(names[i - 1])});
        }
        add("Weapons", "weapnext", "Next weapon");
        add("Weapons", "weapprev", "Previous weapon");
        add("Weapons", "weaplast", "Last weapon");
        add("Combat", "+attack", "Fire");
        add("Combat", "+button2", "Use item");
        add("Combat", "+zoom", "Zoom");
        add("Combat", "+button3", "Gesture");
        add("Communication", "messagemode", "Chat");
        add("Communication", "messagemode2", "Team chat");
        add("Communication", "messagemode3", "Target chat");
        add("Communication", "messagemode4", "Attacker chat");
        add("Communication", "vote yes", "Vote yes");
        add("Communication", "vote no", "Vote no");
        add("View", "+lookup", "Look up");
        add("View", "+lookdown", "Look down");
        add("View", "centerview", "Center view");
        add("View", "+mlook", "Mouse look");
        add("View", "sizeup", "Bigger screen");
        add("View", "sizedown", "Smaller screen");
        add("Menus", "+scores", "Show scores");
        add("Menus", "togglemenu", "Menu");
        add("Menus", "toggleconsole", "Console");
        add("Misc", "screenshot", "Screenshot");
        add("Misc", "screenshotJPEG", "Screenshot (JPEG)");
        add("Misc", "+info", "Server info");
        add("Misc", "kill", "Suicide");
        add("Misc", "record", "Record demo");
        add("Misc", "stoprecord", "Stop recording");
        add("Misc", "vid_restart", "Restart video");
        return t;
    }();
    return table;
}

bool isListedAction(const QString& command)
{
    for (const Action& a : actionTable())
        if (a.command.compare(command, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString keyName(int qtKey, bool keypad, const QString& text)
{
    if (keypad) {
        switch (qtKey) {
        case Qt::Key_Home:
        case Qt::Key_7:
            return QStringLiteral("KP_HOME");
        case Qt::Key_Up:
        case Qt::Key_8:
            return QStringLiteral("KP_UPARROW");
        case Qt::Key_PageUp:
        case Qt::Key_9:
            return QStringLiteral("KP_PGUP");
        case Qt::Key_Left:
        case Qt::Key_4:
            return QStringLiteral("KP_LEFTARROW");
        case Qt::Key_Clear:
        case Qt::Key_5:
            return QStringLiteral("KP_5");
        case Qt::Key_Right:
        case Qt::Key_6:
            return QStringLiteral("KP_RIGHTARROW");
        case Qt::Key_End:
        case Qt::Key_1:
            return QStringLiteral("KP_END");
        case Qt::Key_Down:
        case Qt::Key_2:
            return QStringLiteral("KP_DOWNARROW");
        case Qt::Key_PageDown:
        case Qt::Key_3:
            return QStringLiteral("KP_PGDN");
        case Qt::Key_Enter:
        case Qt::Key_Return:
            return QStringLiteral("KP_ENTER");
        case Qt::Key_Insert:
        case Qt::Key_0:
            return QStringLiteral("KP_INS");
        case Qt::Key_Delete:
        case Qt::Key_Period:
            return QStringLiteral("KP_DEL");
        case Qt::Key_Slash:
            return QStringLiteral("KP_SLASH");
        case Qt::Key_Minus:
            return QStringLiteral("KP_MINUS");
        case Qt::Key_Plus:
            return QStringLiteral("KP_PLUS");
        case Qt::Key_Asterisk:
            return QStringLiteral("KP_STAR");
        case Qt::Key_NumLock:
            return QStringLiteral("KP_NUMLOCK");
        case Qt::Key_Equal:
            return QStringLiteral("KP_EQUALS");
        default:
            break;
        }
    }
    switch (qtKey) {
    case Qt::Key_Tab:
        return QStringLiteral("TAB");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("ENTER");
    case Qt::Key_Escape:
        return QStringLiteral("ESCAPE");
    case Qt::Key_Space:
        return QStringLiteral("SPACE");
    case Qt::Key_Backspace:
        return QStringLiteral("BACKSPACE");
    case Qt::Key_Up:
        return QStringLiteral("UPARROW");
    case Qt::Key_Down:
        return QStringLiteral("DOWNARROW");
    case Qt::Key_Left:
        return QStringLiteral("LEFTARROW");
    case Qt::Key_Right:
        return QStringLiteral("RIGHTARROW");
    case Qt::Key_Alt:
        return QStringLiteral("ALT");
    case Qt::Key_Control:
        return QStringLiteral("CTRL");
    case Qt::Key_Shift:
        return QStringLiteral("SHIFT");
    case Qt::Key_Insert:
        return QStringLiteral("INS");
    case Qt::Key_Delete:
        return QStringLiteral("DEL");
    case Qt::Key_PageDown:
        return QStringLiteral("PGDN");
    case Qt::Key_PageUp:
        return QStringLiteral("PGUP");
    case Qt::Key_Home:
        return QStringLiteral("HOME");
    case Qt::Key_End:
        return QStringLiteral("END");
    case Qt::Key_Pause:
        return QStringLiteral("PAUSE");
    case Qt::Key_CapsLock:
        return QStringLiteral("CAPSLOCK");
    case Qt::Key_Semicolon:
        return QStringLiteral("SEMICOLON");
    case Qt::Key_Print:
        return QStringLiteral("PRINT");
    case Qt::Key_SysReq:
        return QStringLiteral("SYSREQ");
    case Qt::Key_ScrollLock:
        return QStringLiteral("SCROLLOCK"); // the game's spelling
    case Qt::Key_Help:
        return QStringLiteral("HELP");
    default:
        break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F15)
        return QStringLiteral("F%1").arg(qtKey - Qt::Key_F1 + 1);
    // Printable keys by their unshifted character, as the game names them.
    if (qtKey > 32 && qtKey < 127 && qtKey != '"' && qtKey != ';') {
        const QChar c = QChar(char16_t(qtKey)).toLower();
        return QString(c);
    }
    if (text.size() == 1 && text[0].unicode() > 32 && text[0].unicode() < 127 && text[0] != u'"' &&
        text[0] != u';')
        return text.toLower();
    return QString();
}

QString mouseButtonName(int button)
{
    return button >= 1 && button <= 5 ? QStringLiteral("MOUSE%1").arg(button) : QString();
}

QString wheelName(bool up)
{
    return up ? QStringLiteral("MWHEELUP") : QStringLiteral("MWHEELDOWN");
}

QString normalKey(const QString& key)
{
    return key.size() == 1 ? key.toLower() : key.toUpper();
}

void Bindings::load(const cfg::CfgLines& file)
{
    m_loaded.clear();
    for (const cfg::Line& l : file.lines) {
        const QStringList t = cfg::tokens(l.text);
        if (t.size() >= 2 && t[0].compare(QLatin1String("bind"), Qt::CaseInsensitive) == 0) {
            if (t.size() == 2)
                continue; // "bind KEY" only asks the game what KEY does
            const QString command = t.mid(2).join(u' ');
            if (command.trimmed().isEmpty())
                m_loaded.remove(normalKey(t[1])); // an empty bind leaves the key free
            else
                m_loaded[normalKey(t[1])] = {t[1], command};
        } else if (t.size() >= 2 &&
                   t[0].compare(QLatin1String("unbind"), Qt::CaseInsensitive) == 0) {
            m_loaded.remove(normalKey(t[1]));
        } else if (!t.isEmpty() &&
                   t[0].compare(QLatin1String("unbindall"), Qt::CaseInsensitive) == 0) {
            m_loaded.clear();
        }
    }
    m_now = m_loaded;
}

QString Bindings::commandOf(const QString& key) const
{
    return m_now.value(normalKey(key)).command;
}

QStringList Bindings::keysOf(const QString& command) const
{
    QStringList out;
    for (const Entry& e : m_now)
        if (e.command.compare(command, Qt::CaseInsensitive) == 0)
            out.append(e.key);
    return out;
}

QStringList Bindings::keys() const
{
    QStringList out;
    for (const Entry& e : m_now)
        out.append(e.key);
    return out;
}

QStringList Bindings::otherCommands() const
{
    QStringList out;
    for (const Entry& e : m_now)
        if (!isListedAction(e.command) && !out.contains(e.command))
            out.append(e.command);
    out.sort(Qt::CaseInsensitive);
    return out;
}

void Bindings::bind(const QString& key, const QString& command)
{
    m_now[normalKey(key)] = {key, command};
}

void Bindings::unbindKey(const QString& key)
{
    m_now.remove(normalKey(key));
}

void Bindings::clearCommand(const QString& command)
{
    for (const QString& k : keysOf(command))
        unbindKey(k);
}

bool Bindings::changed() const
{
    if (m_now.size() != m_loaded.size())
        return true;
    for (auto it = m_now.cbegin(); it != m_now.cend(); ++it)
        if (!m_loaded.contains(it.key()) || m_loaded[it.key()].command != it.value().command)
            return true;
    return false;
}

namespace
{
QString bindLine(const QString& key, const QString& command)
{
    return QStringLiteral("bind %1 \"%2\"").arg(key, command);
}
} // namespace

cfg::CfgLines Bindings::apply(const cfg::CfgLines& file) const
{
    // Which bind lines name each key (the game keeps the last one), and where the first
    // "unbindall" is.
    QMap<QString, QList<qsizetype>> lineOf;
    qsizetype unbindAll = -1;
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const QStringList t = cfg::tokens(file.lines[i].text);
        if (t.size() >= 3 && t[0].compare(QLatin1String("bind"), Qt::CaseInsensitive) == 0)
            lineOf[normalKey(t[1])].append(i);
        else if (unbindAll < 0 && !t.isEmpty() &&
                 t[0].compare(QLatin1String("unbindall"), Qt::CaseInsensitive) == 0)
            unbindAll = i;
    }
    cfg::CfgLines out = file;
    QList<qsizetype> drop;
    QStringList added;
    QStringList all = m_loaded.keys() + m_now.keys();
    all.removeDuplicates();
    for (const QString& k : all) {
        const bool had = m_loaded.contains(k), has = m_now.contains(k);
        if (had && has && m_loaded[k].command == m_now[k].command)
            continue;
        const QList<qsizetype> where = lineOf.value(k);
        if (!has) {
            if (where.isEmpty())
                continue;
            if (unbindAll >= 0 && unbindAll < where.first())
                drop += where; // every line, or an earlier one would bind the key again
            else
                out.lines[where.last()].text = bindLine(m_loaded[k].key, QString());
        } else if (!where.isEmpty()) {
            out.lines[where.last()].text =
                bindLine(m_loaded.value(k, m_now[k]).key, m_now[k].command);
        } else {
            added.append(bindLine(m_now[k].key, m_now[k].command));
        }
    }
    std::sort(drop.begin(), drop.end());
    for (qsizetype i = drop.size() - 1; i >= 0; --i) {
        // The last line keeps the file's ending (or lack of one).
        if (drop[i] == out.lines.size() - 1 && drop[i] > 0)
            out.lines[drop[i] - 1].end = out.lines[drop[i]].end;
        out.lines.removeAt(drop[i]);
    }
    for (const QString& l : added)
        out.append(l);
    return out;
}

QString commandProblem(const QString& command)
{
    if (command.trimmed().isEmpty())
        return QStringLiteral("Type the command to bind first.");
    for (QChar c : command)
        if (c == u'"' || c.unicode() < 32 || c.unicode() > 255)
            return QStringLiteral("A command cannot hold double quotes, line breaks or "
                                  "characters the game cannot read.");
    return QString();
}

bool saveBindings(const QString& path, const Bindings& bindings, QString* error)
{
    cfg::CfgLines file;
    if (!cfg::loadConfig(path, &file, error))
        return false;
    QString why;
    if (!cfg::saveConfig(path, bindings.apply(file).bytes(), &why)) {
        *error = QStringLiteral("Your key binds could not be saved; the config file was left "
                                "unchanged.\n%1")
                     .arg(why);
        return false;
    }
    return true;
}

} // namespace fragdeck::bind
