#include "Glyphtag.h"

#include "GlyphtagWindow.h"

#include <QApplication>

namespace fragdeck::names
{

GlyphtagFactory::GlyphtagFactory()
    : OneWindowFactory("glyphtag", [] { GlyphtagWindow(QApplication::activeWindow()).exec(); })
{
}

} // namespace fragdeck::names
