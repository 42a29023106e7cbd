#include "WardholdComponent.h"

#include "RconWindow.h"

namespace fragdeck
{

WardholdFactory::WardholdFactory()
    : OneClassFactory("class", [] {
          return new WindowClass([] {
              RconWindow window;
              window.exec();
          });
      })
{
}

} // namespace fragdeck
