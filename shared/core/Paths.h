#pragma once
// Paths as the tools build them: by concatenation, with "/" or "\" as each tool writes them.
#include <QSet>
#include <QString>
#include <QStringList>

namespace fragdeck
{

// Turns every "\" into "/" before a path reaches the file system.
QString toLocalPath(const QString& path);
// The folder in local form ending in "/" (empty text stays empty).
QString withSlash(const QString& folder);
// True the first time a file is met, judged by its resolved path (Debian links the same
// game archives from two folders); the file is then recorded in `seen`.
bool firstVisit(QSet<QString>& seen, const QString& path);
// The text up to and including the last "/" or "\" (empty when there is none).
QString folderOf(const QString& path);
// The text after the last "/" or "\".
QString fileNameOf(const QString& path);
// The launcher's own folder (the running program's folder unless a test sets another).
QString programFolder();
void setProgramFolder(const QString& folder);
// The user's data folder, $XDG_DATA_HOME/fragdeck (default ~/.local/share/fragdeck), or
// the folder `sub` inside it, made when missing. Every file the suite changes or makes
// (address book, extracted members, downloads, scratch folders, caches) lives here: the
// program folder is read-only once installed.
QString userDataFolder(const QString& sub = QString());
// The user's own copy of a file the player changes, `name` in the user's data folder. The
// first time, when there is none yet, the file shipped at `shippedPath` is copied there as
// its starting content; the shipped file is never written.
QString userFile(const QString& name, const QString& shippedPath);
// The folder holding the library that contains `address` (a component's own folder).
QString libraryFolderOf(const void* address);
// A bare program name looked up in the program folder, then in `currentFolder`,
// then on PATH; a name with a folder part is returned as it is. Empty when not found.
QString findProgram(const QString& program, const QString& currentFolder = QString());

} // namespace fragdeck
