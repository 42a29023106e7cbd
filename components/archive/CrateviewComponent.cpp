#include "CrateviewComponent.h"

#include "CrateviewWindow.h"
#include "Paths.h"

namespace fragdeck::archive
{
namespace
{
// An address inside this library: its folder is the component's own.
const char anchor = 0;
} // namespace

CrateviewFactory::CrateviewFactory()
    : OneClassFactory("Class", [] {
          return new WindowClass([] {
              CrateviewWindow form(libraryFolderOf(&anchor));
              form.exec();
          });
      })
{
}

} // namespace fragdeck::archive
