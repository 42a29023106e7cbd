#pragma once
// Paths as the tools build them: by concatenation, with "/" or "\" as each tool writes them.
#include <QString>
#include <QStringList>

namespace fragdeck {

// Turns every "\" into "/" before a path reaches the file system.
QString toLocalPath(const QString& path);
// The text up to and including the last "/" or "\" (empty when there is none).
QString folderOf(const QString& path);
// The text after the last "/" or "\".
QString fileNameOf(const QString& path);
// The launcher's own folder (the running program's folder unless a test sets another).
QString programFolder();
void setProgramFolder(const QString& folder);
// The folder holding the library that contains `address` (a component's own folder).
QString libraryFolderOf(const void* address);
// A bare program name looked up in the program folder, then in `currentFolder`,
// then on PATH; a name with a folder part is returned as it is. Empty when not found.
QString findProgram(const QString& program, const QString& currentFolder = QString());

} // namespace fragdeck
