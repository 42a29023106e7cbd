#include "TunedeskComponent.h"

#include "ModOptionsWindow.h"

namespace fragdeck::config
{

TunedeskFactory::TunedeskFactory()
    : OneWindowFactory("class", [] {
          // options.dat and its lists lie beside this library.
          ModOptionsWindow window(ownLibraryFolder());
          window.load();
          window.exec();
      })
{
}

} // namespace fragdeck::config
