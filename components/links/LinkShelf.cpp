#include "LinkShelf.h"

#include "LinkShelfWindow.h"

#include <QApplication>

namespace fragdeck::links
{

LinkShelfFactory::LinkShelfFactory()
    : OneWindowFactory("class", [] {
          // The links file lives beside this library (the component folder).
          LinkShelfWindow(ownLibraryFolder() + QStringLiteral("\\links.dat"),
                          QApplication::activeWindow())
              .exec();
      })
{
}

} // namespace fragdeck::links
