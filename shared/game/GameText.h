#pragma once
// How the game draws text holding colour codes ("^" and a digit): runs of text in one of
// its eight colours. Player and server names, console output and the name maker's preview
// all draw this way.
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
// The text without its colour codes, every other character as it is.
QString withoutColourCodes(const QString& text);
// Rich text for a label or text view: one span per run, alternate-font runs underlined.
QString colouredHtml(const QString& text);

} // namespace fragdeck
