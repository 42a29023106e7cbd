#include "PlainText.h"

namespace fragdeck
{

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return QString();
    // Escaped rich text rather than plain: a tooltip has no way to say "plain".
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace fragdeck
