#include "GameText.h"

namespace fragdeck
{

QList<ColouredRun> colouredRuns(const QString& text)
{
    QList<ColouredRun> runs;
    int colour = 7;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'^' && i + 1 < text.size() && text[i + 1] != u'^') {
            colour = (text[i + 1].unicode() - u'0') & 7;
            ++i;
            continue;
        }
        const char16_t u = ch.unicode();
        const bool alternate = u >= 128 && u < 256;
        if (runs.isEmpty() || runs.last().colour != colour || runs.last().alternate != alternate)
            runs.append({colour, alternate, QString()});
        runs.last().text += alternate ? QChar(char16_t(u - 128)) : ch;
    }
    return runs;
}

QRgb gameColour(int index)
{
    static const QRgb table[8] = {qRgb(0, 0, 0),     qRgb(255, 0, 0),    qRgb(0, 255, 0),
                                  qRgb(255, 255, 0), qRgb(0, 0, 255),    qRgb(0, 255, 255),
                                  qRgb(255, 0, 255), qRgb(255, 255, 255)};
    return table[index & 7];
}

QString withoutColourCodes(const QString& text)
{
    QString out;
    for (const ColouredRun& r : colouredRuns(text))
        out += r.text;
    return out;
}

QString colouredHtml(const QString& text)
{
    QString html;
    for (const ColouredRun& run : colouredRuns(text)) {
        const QRgb c = gameColour(run.colour);
        html += QStringLiteral("<span style=\"color:#%1%2%3;%4\">%5</span>")
                    .arg(qRed(c), 2, 16, QLatin1Char('0'))
                    .arg(qGreen(c), 2, 16, QLatin1Char('0'))
                    .arg(qBlue(c), 2, 16, QLatin1Char('0'))
                    .arg(run.alternate ? QStringLiteral("text-decoration:underline;") : QString(),
                         run.text.toHtmlEscaped());
    }
    return html;
}

} // namespace fragdeck
