#include "ScoutlinkComponent.h"

#include "Commander.h"

namespace fragdeck::query
{

ScoutlinkFactory::ScoutlinkFactory() : OneClassFactory("Commander", [] { return new Commander; }) {}

} // namespace fragdeck::query
