#include "LevelShots.h"

#include "ArchiveMember.h"
#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace fragdeck::archive
{
namespace
{

const QString LevelShotsFilter = QStringLiteral("LEVELSHOTS/");
const QString MapsFilter = QStringLiteral("MAPS/");
// Level shots are a few hundred KB; anything far bigger is not one.
constexpr qint64 kMaxLevelShotBytes = qint64(16) * 1024 * 1024;

bool hasExtension(const QString& name, const char* ext)
{
    return name.endsWith(QLatin1String(ext), Qt::CaseInsensitive);
}

} // namespace

QStringList archivesIn(const QStringList& dataFolders)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString& raw : dataFolders) {
        const QString folder = withSlash(raw);
        if (folder.isEmpty())
            continue;
        const QStringList files = QDir(folder).entryList(
            {QStringLiteral("*.pk3")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        for (const QString& file : files)
            if (firstVisit(seen, folder + file))
                out.append(folder + file);
    }
    return out;
}

QList<ListedMember> listMembers(UnzipModule& unzip, const QString& archivePath,
                                const QString& filter, const QString& listFolder)
{
    unzip.MemberFilter = filter;
    unzip.MemberCount = 0;
    unzip.RunUnzip(archivePath, listFolder, 1, 0, 1, 1, 0, 0);
    QList<ListedMember> out;
    const int count = std::min<int>(unzip.MemberCount, int(unzip.MemberList.size()));
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString line = unzip.MemberList.at(i).trimmed();
        if (line.size() < filter.size() || line.toUpper() == filter)
            continue;
        out.append({line, line.mid(filter.size())});
    }
    return out;
}

QList<LevelShot> levelShotsIn(UnzipModule& unzip, const QString& archivePath,
                              const QString& listFolder)
{
    QList<LevelShot> out;
    for (const ListedMember& m : listMembers(unzip, archivePath, LevelShotsFilter, listFolder)) {
        if (m.rest.size() <= 4 || hasExtension(m.rest, ".aas") || m.rest.endsWith(u'/'))
            continue;
        out.append({m.rest, archivePath, m.path});
    }
    return out;
}

const LevelShot* findLevelShot(const QList<LevelShot>& index, const QString& mapTag)
{
    const QString map = mapTag.toUpper();
    for (const LevelShot& s : index) {
        if (s.fileName.size() >= 4 && s.fileName.left(s.fileName.size() - 4).toUpper() == map)
            return &s;
    }
    return nullptr;
}

QString extractLevelShot(UnzipModule& unzip, const LevelShot& shot, const QString& scratchFolder)
{
    const QString folder = withSlash(scratchFolder);
    QDir dir(folder);
    if (!dir.exists())
        QDir().mkpath(folder);
    for (const QString& old :
         dir.entryList({QStringLiteral("*.tga"), QStringLiteral("*.jpg")}, QDir::Files))
        QFile::remove(folder + old);
    // The member path as stored, so a folder spelled "LevelShots/" is found as well.
    unzip.ExtractNames = QStringList{shot.member, shot.member};
    unzip.ExcludeNames = QStringList{QString()};
    unzip.RunUnzip(shot.archive, folder, 0, 1, 0, 0, 1, 0);
    const QString extracted = folder + fileNameOf(shot.member);
    return QFileInfo(extracted).isFile() ? extracted : QString();
}

QByteArray readLevelShotBytes(const LevelShot& shot, QString* error)
{
    ArchiveMembers::Member m;
    return readArchiveMember(shot.archive, shot.member, kMaxLevelShotBytes, &m, error)
               ? m.data
               : QByteArray();
}

MapArchives scanMapArchives(const QStringList& dataFolders, UnzipModule& unzip,
                            const QString& listFolder)
{
    MapArchives out;
    for (const QString& archive : archivesIn(dataFolders)) {
        out.levelShots += levelShotsIn(unzip, archive, listFolder);
        for (const ListedMember& m : listMembers(unzip, archive, MapsFilter, listFolder))
            if (m.rest.size() > 4 && hasExtension(m.rest, ".bsp") && !m.rest.contains(u'/'))
                out.maps.insert(m.rest.left(m.rest.size() - 4).toLower());
    }
    for (const QString& raw : dataFolders) {
        const QString folder = withSlash(raw);
        if (folder.isEmpty())
            continue;
        for (const QString& file : QDir(folder + QStringLiteral("maps/"))
                                       .entryList({QStringLiteral("*.bsp")}, QDir::Files))
            out.maps.insert(file.left(file.size() - 4).toLower());
    }
    return out;
}

} // namespace fragdeck::archive
