#pragma once
// The plugin of scoutlink.so: its one creatable class "scoutlink.commander" creates the query
// engine.
#include "core/Component.h"

namespace fragdeck::query
{

class ScoutlinkFactory : public QObject, public OneClassFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "scoutlink.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    ScoutlinkFactory();
};

} // namespace fragdeck::query
