#include "LinkShelf.h"

#include "LinkShelfWindow.h"
#include "core/Paths.h"

#include <QApplication>

namespace fragdeck::links
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

LinkShelfFactory::LinkShelfFactory()
    : OneClassFactory("class", [] {
          return new WindowClass([] {
              // The links file lives beside this library (the component folder).
              LinkShelfWindow window(libraryFolderOf(&anchor) + QStringLiteral("\\links.dat"),
                                     QApplication::activeWindow());
              window.exec();
          });
      })
{
}

} // namespace fragdeck::links
