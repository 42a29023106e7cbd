#include "Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace fragdeck
{
namespace
{
QStringList& overrideList()
{
    static QStringList l;
    return l;
}

void addSubfolders(QStringList& out, const QString& parent)
{
    const QDir d(parent);
    if (!d.exists())
        return;
    for (const QFileInfo& fi :
         d.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        out.append(fi.absoluteFilePath() + QLatin1Char('/'));
}
} // namespace

QStringList driveList()
{
    if (!overrideList().isEmpty())
        return overrideList();
    QStringList drives{QStringLiteral("/")};
    drives.append(QDir::homePath() + QLatin1Char('/'));
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty()) {
        addSubfolders(drives, QStringLiteral("/media/") + user);
        addSubfolders(drives, QStringLiteral("/run/media/") + user);
    }
    addSubfolders(drives, QStringLiteral("/mnt"));
    for (const char* f : {"/opt/", "/usr/local/games/", "/usr/games/", "/usr/share/games/"})
        if (QFileInfo(QLatin1String(f)).isDir())
            drives.append(QLatin1String(f));
    return drives;
}

void setDriveListOverride(const QStringList& drives)
{
    overrideList() = drives;
}

QString findUrlOpener()
{
    const QString browser = qEnvironmentVariable("BROWSER").section(u':', 0, 0).trimmed();
    if (!browser.isEmpty()) {
        const QString p = QStandardPaths::findExecutable(browser);
        if (!p.isEmpty())
            return p;
    }
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

EditorCommand findTextEditor()
{
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const QStringList words = qEnvironmentVariable(var).split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString editor = QStandardPaths::findExecutable(words.first());
        if (editor.isEmpty())
            continue;
        // A terminal editor needs a terminal window of its own.
        for (const char* term : {"x-terminal-emulator", "gnome-terminal", "konsole", "xterm"}) {
            const QString t = QStandardPaths::findExecutable(QLatin1String(term));
            if (!t.isEmpty()) {
                QStringList args{QStringLiteral("-e"), editor};
                args += words.mid(1);
                return {t, args};
            }
        }
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return {opener, {}};
    return {};
}

} // namespace fragdeck
