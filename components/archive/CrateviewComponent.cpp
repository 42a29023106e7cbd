#include "CrateviewComponent.h"

#include "CrateviewWindow.h"

namespace fragdeck::archive
{

CrateviewFactory::CrateviewFactory() : OneWindowFactory("Class", [] { CrateviewWindow().exec(); })
{
}

} // namespace fragdeck::archive
