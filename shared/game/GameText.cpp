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

quint32 gameColour(int index)
{
    static const quint32 table[8] = {0xff000000, 0xffff0000, 0xff00ff00, 0xffffff00,
                                     0xff0000ff, 0xff00ffff, 0xffff00ff, 0xffffffff};
    return table[index & 7];
}

namespace
{
template <typename Out, typename In> Out withoutCodes(const In& text, CaretRule rule)
{
    Out out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'^' && i + 1 < n &&
            (rule == CaretRule::QueryEngine || text[i + 1] != u'^')) {
            ++i;
            continue;
        }
        out += text[i];
    }
    if (rule == CaretRule::QueryEngine && out.size() > 1 && out[out.size() - 1] == u'^')
        out.chop(1);
    return out;
}
} // namespace

QString withoutColourCodes(const QString& text, CaretRule rule)
{
    return withoutCodes<QString>(text, rule);
}

QByteArray withoutColourCodes(const QByteArray& text, CaretRule rule)
{
    return withoutCodes<QByteArray>(text, rule);
}

QString colouredHtml(const QString& text)
{
    QString html;
    for (const ColouredRun& run : colouredRuns(text)) {
        html += QStringLiteral("<span style=\"color:#%1;%2\">%3</span>")
                    .arg(gameColour(run.colour) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(run.alternate ? QStringLiteral("text-decoration:underline;") : QString(),
                         run.text.toHtmlEscaped());
    }
    return html;
}

} // namespace fragdeck
