#include "WardholdComponent.h"

#include "RconWindow.h"

namespace fragdeck
{

WardholdFactory::WardholdFactory() : OneWindowFactory("class", [] { RconWindow().exec(); }) {}

} // namespace fragdeck
