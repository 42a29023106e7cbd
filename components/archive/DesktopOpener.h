#pragma once
// Opening a file the way the desktop opens it (xdg-open), and the text editor to fall back
// on where the desktop has no opener.
#include <QObject>
#include <QString>
#include <QStringList>

namespace fragdeck::archive
{

class DesktopOpener : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The desktop's opener program; empty when there is none.
    static QString openerProgram();
    // Starts the opener on `file` and returns at once. The opener may run as long as the
    // program it starts, so its end is watched: when it cannot start or ends with a
    // non-zero status (no program for the file's type, the program failed) `failed` says
    // so, naming the file.
    void open(const QString& opener, const QString& file);

Q_SIGNALS:
    void failed(const QString& file, const QString& message);
};

// What xdg-open's exit status says went wrong.
QString openerFailure(int exitStatus);

// A text editor for the fallback: $VISUAL or $EDITOR in a terminal window, else a desktop
// text editor found on PATH. Empty program when there is none.
struct TextEditor {
    QString program;
    QStringList arguments; // before the file name
    QString shown() const; // the command as a player reads it: "xterm -e vim"
};
TextEditor fallbackTextEditor();

} // namespace fragdeck::archive
