#include "DemoScan.h"

#include "core/GameInstall.h"
#include "core/Paths.h"
#include "game/GameScript.h"
#include "game/GameText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

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
        for (const archive::ListedMember& m :
             archive::listMembers(unzip, pk3, DemosFilter, listFolder)) {
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

QList<archive::LevelShot> scanLevelShots(const QStringList& dataFolders,
                                         archive::UnzipModule& unzip, const QString& listFolder)
{
    QList<archive::LevelShot> shots;
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
    return rotationLines(QStringLiteral("demo"), QStringLiteral("nextdemo"), selectedNames, loop);
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

namespace
{

// Engines are a few MB; a wrapper script is far smaller.
constexpr qint64 kEngineReadLimit = 64 * 1024 * 1024;
constexpr qint64 kScriptReadLimit = 256 * 1024;

QByteArray readUpTo(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(limit);
}

QString expandVariables(QString value, const QHash<QString, QString>& vars)
{
    static const QRegularExpression ref(QStringLiteral(R"(\$\{?([A-Za-z_][A-Za-z0-9_]*)\}?)"));
    QString out;
    qsizetype last = 0;
    for (auto it = ref.globalMatch(value); it.hasNext();) {
        const auto m = it.next();
        out += value.mid(last, m.capturedStart() - last) + vars.value(m.captured(1));
        last = m.capturedEnd();
    }
    return out + value.mid(last);
}

} // namespace

QList<int> playedDemoProtocols(const QString& program)
{
    QByteArray engine = readUpTo(program, kScriptReadLimit);
    int protocol = 0, legacy = 0;
    if (engine.startsWith("#!")) {
        // A launcher script (Debian's openarena, quake3): its settings, then its engine.
        static const QRegularExpression assign(
            QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)=["']?([^"'\s]*)["']?\s*$)"));
        static const QRegularExpression set(
            QStringLiteral(R"(\+set\s+(com_protocol|com_legacyprotocol)\s+(\d+))"));
        QHash<QString, QString> vars;
        QString enginePath;
        const QString text = QString::fromUtf8(engine);
        for (const QString& line : text.split(u'\n')) {
            if (line.trimmed().startsWith(u'#'))
                continue;
            if (const auto m = assign.match(line); m.hasMatch()) {
                const QString value = expandVariables(m.captured(2), vars);
                vars.insert(m.captured(1), value);
                const QFileInfo fi(value);
                if (enginePath.isEmpty() && fi.isAbsolute() && fi.isFile() && fi.isExecutable())
                    enginePath = value;
            }
            for (auto it = set.globalMatch(line); it.hasNext();) {
                const auto m = it.next();
                (m.captured(1) == QLatin1String("com_protocol") ? protocol : legacy) =
                    m.captured(2).toInt();
            }
        }
        engine = enginePath.isEmpty() || readUpTo(enginePath, 2).startsWith("#!")
                     ? QByteArray()
                     : readUpTo(enginePath, kEngineReadLimit);
    } else {
        engine = readUpTo(program, kEngineReadLimit);
    }
    QList<int> played;
    if (engine.contains("com_legacyprotocol")) {
        // ioquake3 since 1.36: protocol 71, legacy 68, and 66 and 67 built in.
        played = {66, 67, protocol ? protocol : 71, legacy ? legacy : 68};
    } else if (engine.contains("com_protocol") && engine.contains("ioq3")) {
        // Older ioquake3: its protocol (68) and 66 to 68 built in.
        played = {66, 67, 68, protocol ? protocol : 68};
    } else {
        return {};
    }
    std::sort(played.begin(), played.end());
    played.erase(std::unique(played.begin(), played.end()), played.end());
    return played;
}

QString demoProtocolProblem(const QString& name, const QList<int>& played)
{
    if (played.isEmpty())
        return QString();
    // A ".dm3" demo goes by its bare name, which these engines look up as ".dm_N".
    const int format = demoFormatOfName(name);
    if (format != 0 && played.contains(format))
        return QString();
    QStringList numbers;
    for (int p : played)
        numbers.append(QString::number(p));
    const QString plays = numbers.size() == 1
                              ? numbers[0]
                              : numbers.mid(0, numbers.size() - 1).join(QStringLiteral(", ")) +
                                    QStringLiteral(" and ") + numbers.last();
    const QString recorded = format == 0 ? QStringLiteral("recorded as .dm3")
                                         : QStringLiteral("recorded for protocol %1").arg(format);
    return recorded + QStringLiteral("; this game plays ") + plays;
}

} // namespace fragdeck::demos
