#include "DemoScan.h"

#include "GameInstall.h"
#include "MapScan.h"
#include "Paths.h"
#include "Rotation.h"

#include <QDir>
#include <QDirIterator>
#include <QSet>

namespace fragdeck::demos
{
namespace
{

const QString DemosFilter = QStringLiteral("DEMOS/");

QString withSlash(QString folder)
{
    folder = toLocalPath(folder);
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

QString demoName(const QString& pathBelowDemos)
{
    if (pathBelowDemos.endsWith(u'/') || !isDemoFile(pathBelowDemos))
        return QString();
    QString name = pathBelowDemos;
    if (name.endsWith(QLatin1String(".dm3"), Qt::CaseInsensitive))
        name.chop(4);
    if (name.isEmpty() || fileNameOf(name).isEmpty() || fileNameOf(name).startsWith(u'.') ||
        !isGameArgumentSafe(name))
        return QString();
    return name;
}

QList<Demo> scanDemos(const QStringList& dataFolders, archive::UnzipModule& unzip,
                      const QString& listFolder)
{
    QList<Demo> out;
    QSet<QString> listed;
    // Files by resolved path: Debian links the same archives from two base folders.
    QSet<QString> seen;
    for (const QString& raw : dataFolders) {
        const QString folder = withSlash(raw);
        if (folder.isEmpty())
            continue;
        const QStringList archives = QDir(folder).entryList(
            {QStringLiteral("*.pk3")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : archives) {
            if (!starter::firstVisit(seen, folder + file))
                continue;
            const auto members =
                starter::listMembers(unzip, folder + file, DemosFilter, listFolder);
            for (const starter::ListedMember& m : members) {
                const QString name = demoName(m.rest).toLower();
                if (name.isEmpty())
                    continue;
                out.append({name, name, {QString(), folder + file, m.path}});
                listed.insert(name);
            }
        }
    }
    for (const QString& raw : dataFolders) {
        const QString folder = withSlash(raw);
        if (folder.isEmpty())
            continue;
        const QString demos = folder + QStringLiteral("demos/");
        QStringList found;
        QDirIterator it(demos, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next().mid(demos.size()));
        // Files of a folder before those of its subfolders, each level in name order.
        std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
            const auto da = a.count(u'/'), db = b.count(u'/');
            if (da != db)
                return da < db;
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        for (const QString& rel : found) {
            // A loose file is opened by its exact name on this file system.
            const QString name = demoName(rel);
            const QString text = name.toLower();
            if (name.isEmpty() || listed.contains(text) || !starter::firstVisit(seen, demos + rel))
                continue;
            out.append({text, name, {demos + rel, QString(), QString()}});
            listed.insert(text);
        }
    }
    return out;
}

QList<starter::LevelShot> scanLevelShots(const QStringList& dataFolders,
                                         archive::UnzipModule& unzip, const QString& listFolder)
{
    QList<starter::LevelShot> shots;
    QSet<QString> seen;
    for (const QString& raw : dataFolders) {
        const QString folder = withSlash(raw);
        if (folder.isEmpty())
            continue;
        const QStringList archives = QDir(folder).entryList(
            {QStringLiteral("*.pk3")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : archives) {
            if (!starter::firstVisit(seen, folder + file))
                continue;
            for (const starter::ListedMember& m : starter::listMembers(
                     unzip, folder + file, QStringLiteral("LEVELSHOTS/"), listFolder)) {
                if (m.rest.size() > 4 && !m.rest.contains(u'/'))
                    shots.append({m.rest, folder + file, m.path});
            }
        }
    }
    return shots;
}

bool demoMatches(const Demo& demo, const DemoInfo& info, const QString& filter)
{
    const QString f = filter.trimmed();
    if (f.isEmpty())
        return true;
    auto has = [&f](const QString& text) { return text.contains(f, Qt::CaseInsensitive); };
    if (has(demo.text) || has(info.map) || has(withoutColours(info.server)))
        return true;
    for (const DemoPlayer& p : info.players)
        if (has(withoutColours(p.name)))
            return true;
    return false;
}

QByteArray demoScript(const QStringList& selectedNames, bool loop)
{
    return starter::rotationLines(QStringLiteral("demo"), QStringLiteral("nextdemo"), selectedNames,
                                  loop);
}

QString demoStartArguments()
{
    return QStringLiteral(" +exec ") + DemoScriptName;
}

QString demoSelectionProblem(const QStringList& selectedNames)
{
    if (!selectedNames.isEmpty())
        return QString();
    return QStringLiteral("Select the demos to play first: click one, or hold Ctrl to pick "
                          "several. Nothing was written or started.");
}

} // namespace fragdeck::demos
