#pragma once
// A game config file held as its lines with their own line ends, so that a rewrite changes
// only the lines it means to and keeps every other byte as it was.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::cfg
{

struct Line {
    QString text;   // Latin-1, without its line end
    QByteArray end; // "\n", "\r\n", "\r" or empty (last line)
};

class CfgLines
{
public:
    CfgLines() = default;
    explicit CfgLines(const QByteArray& bytes);
    QList<Line> lines;
    QByteArray bytes() const;
    // The line end new lines get: the file's own (that of its first line), a bare line
    // feed for a file without one.
    QByteArray newLineEnd() const;
    void append(const QString& text);
};

// The words of a config line as the game splits them: blanks separate words, double
// quotes group, "//" starts a comment.
QStringList tokens(const QString& line);

// What a tool that rewrites the file tells the user: the game writes the file back when it
// quits, over changes saved while it runs.
QString saveWithGameClosedHint();

// Reads `path` (Latin-1). A config the game has not written yet reads as empty, with
// *missing set, so a tool that only adds lines can make it; the game keeps those lines
// when it writes its own. False with a message for an unset path or an unreadable file.
bool loadConfig(const QString& path, CfgLines* out, QString* error, bool* missing = nullptr);
// Replaces (or makes) the config at `path` atomically. The folder is made when it is the
// game's own home folder, which only the game's first run would make otherwise.
bool saveConfig(const QString& path, const QByteArray& bytes, QString* error);
// What a tool says of a config the game has not written yet.
QString notWrittenYetText(const QString& path);

} // namespace fragdeck::cfg
