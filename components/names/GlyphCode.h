#pragma once
// The name maker's logic, free of widgets: the colour table, the coded name line, how the
// game draws a coded name, and the rewrite of the configuration file.
#include "game/GameText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace fragdeck::names
{

struct GlyphColour {
    const char* button;  // objectName of its button
    const char* caption; // button text
    quint32 rgb;
    char digit; // the game's colour code digit
};

// The eight colours in button order (black, red, green, yellow, blue, cyan, magenta, white).
const std::array<GlyphColour, 8>& colourTable();
// The code digit of a colour of the table, or 0 for any other colour.
char digitOf(quint32 rgb);

// One character of the name document.
struct NameChar {
    QChar ch;
    quint32 colour = 0xffffffffu;
    bool gameFont = true; // clear: the game's alternate font
};
using NameDocument = QList<NameChar>;

// A document of one colour and font.
NameDocument plainDocument(const QString& text, quint32 colour = 0xffffffffu, bool gameFont = true);

// The name code: "^" + digit wherever the colour changes, characters in the alternate font
// with 128 added to their codes (those already at 128 or above keep theirs). Characters
// that would break the quoted config line (line breaks, other control characters and the
// double quote) are left out.
QString buildNameCode(const NameDocument& doc);
// "seta name " + quote + name code + "^7" + quote.
QString codeLine(const QString& nameCode);
inline QString buildCodeLine(const NameDocument& doc)
{
    return codeLine(buildNameCode(doc));
}

// The working copy of a configuration file: every line as it is, with its own line end;
// a last line without one gets the file's line end.
QByteArray workingCopy(const QByteArray& config);
// True for a line that sets the player's name ("seta name ...", in any case).
bool isNameLine(const QString& line);
// The configuration with `lastLine` appended in the file's own line end. When `lastLine`
// sets the name and the file has a name line, it replaces the last one in place and the
// earlier ones are dropped. All other lines stay byte for byte.
QByteArray rebuildConfig(const QByteArray& config, const QString& lastLine);

// The name the config at `configPath` sets (its last name line), as the game draws it;
// empty when it sets none or cannot be read.
QList<ColouredRun> configuredName(const QString& configPath);

// Writes the working copy beside `configPath` (path + "_"), then replaces the file
// atomically with the rebuilt content. On any failure the file keeps its previous content
// and `error` says what went wrong, for the user.
bool exportGlyphtag(const QString& configPath, const QString& lastLine, QString* error = nullptr);

} // namespace fragdeck::names
