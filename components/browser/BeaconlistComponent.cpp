#include "BeaconlistComponent.h"

#include "BrowserWindow.h"
#include "core/Paths.h"

namespace fragdeck
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

BeaconlistFactory::BeaconlistFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              // The player's own book; the one shipped beside this library is its first
              // content.
              BrowserWindow window(
                  userFile(QStringLiteral("addbook.dat"),
                           libraryFolderOf(&anchor) + QStringLiteral("/addbook.dat")));
              window.exec();
          });
      })
{
}

} // namespace fragdeck
