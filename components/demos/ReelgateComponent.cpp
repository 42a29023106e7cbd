#include "ReelgateComponent.h"

#include "DemoWindow.h"
#include "Paths.h"

namespace fragdeck::demos
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

ReelgateFactory::ReelgateFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              DemoWindow window(libraryFolderOf(&anchor));
              window.exec();
          });
      })
{
}

} // namespace fragdeck::demos
