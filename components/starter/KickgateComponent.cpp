#include "KickgateComponent.h"

#include "StarterWindow.h"

namespace fragdeck::starter
{

KickgateFactory::KickgateFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              StarterWindow window;
              window.exec();
          });
      })
{
}

} // namespace fragdeck::starter
