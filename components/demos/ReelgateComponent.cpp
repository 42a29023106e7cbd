#include "ReelgateComponent.h"

#include "DemoWindow.h"

namespace fragdeck::demos
{

ReelgateFactory::ReelgateFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              DemoWindow window;
              window.exec();
          });
      })
{
}

} // namespace fragdeck::demos
