#pragma once
// Text from outside the suite (servers, masters, demos, archives, configs) is shown as
// text, never as markup. Qt takes the text of a label, tooltip or message box for rich
// text as soon as it looks like HTML, and rich text reads the files its pictures name: a map
// called <img src="/dev/zero"> would read that file until memory runs out. Labels that
// show such text are made Qt::PlainText where they are created; tooltips, which have no
// text format of their own, get their text through plainToolTip.
#include <QString>

namespace fragdeck
{

// A tooltip that shows `text` exactly, line ends and runs of spaces kept; long lines
// still wrap. Empty text gives no tooltip.
QString plainToolTip(const QString& text);

} // namespace fragdeck
