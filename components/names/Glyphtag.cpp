#include "Glyphtag.h"

#include "GlyphtagWindow.h"

#include <QApplication>

void glyphtag::Main()
{
    fragdeck::names::GlyphtagWindow form(QApplication::activeWindow());
    form.exec();
}

QObject* GlyphtagFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("glyphtag"), Qt::CaseInsensitive) == 0)
        return new glyphtag;
    return nullptr;
}
