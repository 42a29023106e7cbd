#include "DemoScan.h"

#include "GameInstall.h"
#include "GameText.h"
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
    for (const QString& pk3 : archive::archivesIn(dataFolders)) {
        for (const starter::ListedMember& m :
             starter::listMembers(unzip, pk3, DemosFilter, listFolder)) {
            const QString name = demoName(m.rest).toLower();
            if (name.isEmpty())
                continue;
            out.append({name, name, {QString(), pk3, m.path}});
            listed.insert(name);
        }
    }
    // Loose files once by resolved path too: the same folder may be reached twice.
    QSet<QString> seen;
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
            if (name.isEmpty() || listed.contains(text) || !firstVisit(seen, demos + rel))
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
    for (const QString& pk3 : archive::archivesIn(dataFolders))
        shots += archive::levelShotsIn(unzip, pk3, listFolder);
    return shots;
}

bool demoMatches(const Demo& demo, const DemoInfo& info, const QString& filter)
{
    const QString f = filter.trimmed();
    if (f.isEmpty())
        return true;
    auto has = [&f](const QString& text) { return text.contains(f, Qt::CaseInsensitive); };
    if (has(demo.text) || has(info.map) || has(withoutColourCodes(info.server)))
        return true;
    for (const DemoPlayer& p : info.players)
        if (has(withoutColourCodes(p.name)))
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
