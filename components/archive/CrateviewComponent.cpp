#include "CrateviewComponent.h"

#include "CrateviewWindow.h"

namespace fragdeck::archive
{

CrateviewFactory::CrateviewFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              CrateviewWindow form;
              form.exec();
          });
      })
{
}

} // namespace fragdeck::archive
