#pragma once
// Maps and their level shots in the game's pk3 archives, for every tool that previews a
// map: listing an archive's members under a folder, the level shot index, the choice of
// a map's level shot, and reading or extracting it.
#include "Unzip.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace fragdeck::archive
{

// The pk3 archives of the data folders, full paths: each folder's in name order (the order
// the game loads them in), each file once by its resolved path.
QStringList archivesIn(const QStringList& dataFolders);

// The members a listing run reported under `filter` (upper case, e.g. "MAPS/"), each as
// the member path (the line trimmed) and the rest after the filter; the folder entry
// itself is skipped.
struct ListedMember {
    QString path;
    QString rest;
};
QList<ListedMember> listMembers(UnzipModule& unzip, const QString& archivePath,
                                const QString& filter, const QString& listFolder);

// One level shot found in an archive.
struct LevelShot {
    QString fileName; // with extension, e.g. q3dm1.jpg
    QString archive;  // full path of the archive holding it
    QString member;   // the member path exactly as stored (for extraction)
    // The index text: file name + "?" + archive.
    QString indexText() const { return fileName + u'?' + archive; }
};

// The level shots of one archive, in listing order: pictures straight under
// "levelshots/" (bot files and sub-folders left out).
QList<LevelShot> levelShotsIn(UnzipModule& unzip, const QString& archivePath,
                              const QString& listFolder);

// The first level shot whose file name without its extension equals the map (case
// ignored); nullptr when none does.
const LevelShot* findLevelShot(const QList<LevelShot>& index, const QString& mapTag);

// Extracts the level shot into `scratchFolder` after removing earlier pictures there.
// Returns the extracted file's path, or empty text when it could not be extracted.
QString extractLevelShot(UnzipModule& unzip, const LevelShot& shot, const QString& scratchFolder);

// The level shot's bytes, read straight from its archive (nothing is written to disk);
// empty, with the reason, when they cannot be read. decodePicture (PictureDisplay.h) makes
// the picture of them.
QByteArray readLevelShotBytes(const LevelShot& shot, QString* error = nullptr);

// What maps a player has: the compiled maps (lower case, without ".bsp") and the level
// shots of every archive of the data folders, and the loose maps/*.bsp of each folder.
struct MapArchives {
    QSet<QString> maps;
    QList<LevelShot> levelShots; // in folder and archive name order
    bool has(const QString& map) const { return maps.contains(map.toLower()); }
};
MapArchives scanMapArchives(const QStringList& dataFolders, UnzipModule& unzip,
                            const QString& listFolder);

} // namespace fragdeck::archive
