#pragma once
// What stands in for the original desktop's shell services here.
#include <QString>
#include <QStringList>

namespace fragdeck
{

// The drive list the game locator walks: entry 0 is "/" (skipped like the first drive);
// then the home folder, mounted volumes, /opt and the usual game folders that exist.
QStringList driveList();
void setDriveListOverride(const QStringList& drives); // empty: the real list

// The program that opens a web address in the user's browser ($BROWSER, then xdg-open);
// empty when there is none.
QString findUrlOpener();

// The user's text editor as a program and the arguments before the file name:
// $VISUAL or $EDITOR in a terminal emulator, else the desktop's opener for text files.
// Empty program when there is none.
struct EditorCommand {
    QString program;
    QStringList arguments;
};
EditorCommand findTextEditor();

} // namespace fragdeck
