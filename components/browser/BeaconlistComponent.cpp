#include "BeaconlistComponent.h"

#include "BrowserWindow.h"
#include "core/Paths.h"

namespace fragdeck
{

BeaconlistFactory::BeaconlistFactory()
    : OneWindowFactory("Class", [] {
          // The player's own book; the one shipped beside this library is its first content.
          BrowserWindow(userFile(QStringLiteral("addbook.dat"),
                                 ownLibraryFolder() + QStringLiteral("/addbook.dat")))
              .exec();
      })
{
}

} // namespace fragdeck
