#include "KickgateComponent.h"

#include "StarterWindow.h"

namespace fragdeck::starter
{

KickgateFactory::KickgateFactory() : OneWindowFactory("Class", [] { StarterWindow().exec(); }) {}

} // namespace fragdeck::starter
