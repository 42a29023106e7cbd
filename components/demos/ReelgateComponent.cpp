#include "ReelgateComponent.h"

#include "DemoWindow.h"

namespace fragdeck::demos
{

ReelgateFactory::ReelgateFactory() : OneWindowFactory("Class", [] { DemoWindow().exec(); }) {}

} // namespace fragdeck::demos
