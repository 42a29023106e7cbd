#include "Glyphtag.h"

#include "GlyphtagWindow.h"

#include <QApplication>

namespace fragdeck::names
{

GlyphtagFactory::GlyphtagFactory()
    : OneClassFactory("glyphtag", [] {
          return new WindowClass([] {
              GlyphtagWindow form(QApplication::activeWindow());
              form.exec();
          });
      })
{
}

} // namespace fragdeck::names
