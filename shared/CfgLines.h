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

// Reads `path` (Latin-1); false with a message for a missing or unreadable file.
bool loadConfig(const QString& path, CfgLines* out, QString* error);

} // namespace fragdeck::cfg
