#include "KickgateComponent.h"

#include "Paths.h"
#include "StarterWindow.h"

namespace fragdeck::starter
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

KickgateFactory::KickgateFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              StarterWindow window(libraryFolderOf(&anchor));
              window.exec();
          });
      })
{
}

} // namespace fragdeck::starter
