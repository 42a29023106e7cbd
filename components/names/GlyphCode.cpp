#include "GlyphCode.h"
#include "core/AtomicFile.h"
#include "core/Failure.h"

#include "core/Paths.h"
#include "core/TextFile.h"
#include "game/CfgLines.h"
#include "game/GameText.h"

#include <QFileInfo>

namespace fragdeck::names
{

const std::array<GlyphColour, 8>& colourTable()
{
    static const std::array<GlyphColour, 8> table{{
        {"Command1", "&Black", gameColour(0), '0'},
        {"Command2", "&Red", gameColour(1), '1'},
        {"Command4", "&Green", gameColour(2), '2'},
        {"Command5", "&Yellow", gameColour(3), '3'},
        {"Command3", "&Blue", gameColour(4), '4'},
        {"Command7", "&Cyan", gameColour(5), '5'},
        {"Command6", "&Magenta", gameColour(6), '6'},
        {"Command8", "&White", gameColour(7), '7'},
    }};
    return table;
}

char digitOf(quint32 rgb)
{
    const quint32 opaque = rgb | 0xff000000u;
    for (const GlyphColour& c : colourTable())
        if (c.rgb == opaque)
            return c.digit;
    return 0;
}

NameDocument plainDocument(const QString& text, quint32 colour, bool gameFont)
{
    NameDocument doc;
    for (QChar ch : text)
        doc.append({ch, colour, gameFont});
    return doc;
}

namespace
{
// Characters a quoted config value cannot carry: they would end the line or the quotes.
bool breaksConfigLine(QChar ch)
{
    const char16_t u = ch.unicode();
    return u < 32 || u == 127 || u == u'"' || u == QChar::ParagraphSeparator ||
           u == QChar::LineSeparator;
}
} // namespace

QString buildNameCode(const NameDocument& doc)
{
    bool havePrevious = false; // the previous colour starts as no colour at all
    quint32 previous = 0;
    char digit = 0;
    QString code;
    for (const NameChar& c : doc) {
        if (breaksConfigLine(c.ch))
            continue;
        if (!havePrevious || c.colour != previous) {
            havePrevious = true;
            previous = c.colour;
            if (const char d = digitOf(c.colour))
                digit = d;
            // A caret without a digit would swallow the next character in the game, so
            // nothing is written until a colour of the table has been seen.
            if (digit) {
                code += u'^';
                code += QLatin1Char(digit);
            }
        }
        const char16_t u = c.ch.unicode();
        code += QChar(char16_t(!c.gameFont && u < 128 ? u + 128 : u));
    }
    return code;
}

QString codeLine(const QString& nameCode)
{
    return QStringLiteral("seta name \"") + nameCode + QStringLiteral("^7\"");
}

QByteArray workingCopy(const QByteArray& config)
{
    cfg::CfgLines lines(config);
    if (!lines.lines.isEmpty() && lines.lines.last().end.isEmpty())
        lines.lines.last().end = lines.newLineEnd();
    return lines.bytes();
}

bool isNameLine(const QString& line)
{
    const QStringList words = cfg::tokens(line);
    return words.size() >= 2 && words[0].compare(QLatin1String("seta"), Qt::CaseInsensitive) == 0 &&
           words[1].compare(QLatin1String("name"), Qt::CaseInsensitive) == 0;
}

QByteArray rebuildConfig(const QByteArray& config, const QString& lastLine)
{
    cfg::CfgLines lines(config);
    // The new name takes the place of the line the game uses (the last); earlier name lines
    // go, since two would leave the config editor with the older one.
    if (isNameLine(lastLine)) {
        qsizetype at = -1;
        for (qsizetype i = 0; i < lines.lines.size(); ++i)
            if (isNameLine(lines.lines[i].text))
                at = i;
        if (at >= 0) {
            lines.lines[at].text = lastLine;
            if (lines.lines[at].end.isEmpty())
                lines.lines[at].end = lines.newLineEnd();
            for (qsizetype i = at - 1; i >= 0; --i)
                if (isNameLine(lines.lines[i].text))
                    lines.lines.removeAt(i);
            return lines.bytes();
        }
    }
    lines.append(lastLine);
    return lines.bytes();
}

QList<ColouredRun> configuredName(const QString& configPath)
{
    cfg::CfgLines config;
    QString error;
    bool missing = false;
    if (configPath.trimmed().isEmpty() || !cfg::loadConfig(configPath, &config, &error, &missing))
        return {};
    QString name;
    for (const cfg::Line& l : config.lines)
        if (isNameLine(l.text))
            name = cfg::tokens(l.text).value(2);
    return colouredRuns(name);
}

bool exportGlyphtag(const QString& configPath, const QString& lastLine, QString* error)
{
    // A config the game has not written yet is made with the name line alone; the game keeps
    // the line when it writes its own file.
    cfg::CfgLines config;
    QString why;
    if (!cfg::loadConfig(configPath, &config, &why)) {
        if (configPath.trimmed().isEmpty())
            return fail(error, why);
        return fail(error, QStringLiteral("The config file could not be read.\n%1").arg(why));
    }
    const QByteArray bytes = config.bytes();
    const QString local = toLocalPath(configPath);
    const QString unchanged = QStringLiteral("The config file was left unchanged.");
    if (!cfg::saveConfig(local + u'_', workingCopy(bytes), &why))
        return fail(error, QStringLiteral("The working copy of the config file could not be "
                                          "written.\n%1\n%2")
                               .arg(why, unchanged));
    if (!cfg::saveConfig(local, rebuildConfig(bytes, lastLine), &why))
        return fail(
            error,
            QStringLiteral("The config file could not be written.\n%1\n%2").arg(why, unchanged));
    return true;
}

} // namespace fragdeck::names
