#include "TunedeskComponent.h"

#include "ModOptionsWindow.h"
#include "core/Paths.h"

namespace fragdeck::config
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

TunedeskFactory::TunedeskFactory()
    : OneClassFactory("class", [] {
          return new WindowClass([] {
              // options.dat and its lists lie beside this library.
              ModOptionsWindow window(libraryFolderOf(&anchor));
              window.load();
              window.exec();
          });
      })
{
}

} // namespace fragdeck::config
