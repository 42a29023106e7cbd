#pragma once
// How the game draws text holding colour codes ("^" and a digit): runs of text in one of
// its eight colours. Player and server names, console output and the name maker's preview
// all draw this way.
#include <QByteArray>
#include <QList>
#include <QString>

namespace fragdeck
{

struct ColouredRun {
    int colour = 7; // 0..7: black, red, green, yellow, blue, cyan, magenta, white
    // Characters at 128 or above come from the game's alternate font; `text` holds them
    // with 128 taken off and this set.
    bool alternate = false;
    QString text;
};

// The runs the game draws for `text`. A caret followed by anything but another caret is a
// colour code (the character's low three bits pick the colour); "^^" draws a caret.
QList<ColouredRun> colouredRuns(const QString& text);
// The game's colour for index 0..7 (other values wrap), as a QRgb.
quint32 gameColour(int index);
// What "^^" is when colour codes are taken out.
enum class CaretRule {
    // As the game draws text: "^^" is a caret, and only a caret followed by anything else
    // is a code; a caret at the end stays.
    Game,
    // As the query engine cuts player names (and fragdeck-query shows them): "^" and the
    // character after it go, whatever it is; a caret at the end goes too unless it is all.
    QueryEngine,
};
// The text without its colour codes, every other character as it is.
QString withoutColourCodes(const QString& text, CaretRule rule = CaretRule::Game);
QByteArray withoutColourCodes(const QByteArray& text, CaretRule rule);
// Rich text for a label or text view: one span per run, alternate-font runs underlined.
QString colouredHtml(const QString& text);

} // namespace fragdeck
