#pragma once
// The plugin of beaconlist.so: its one creatable class "beaconlist.Class" shows its window.
#include "core/Component.h"

namespace fragdeck
{

class BeaconlistFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "beaconlist.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    BeaconlistFactory();
};

} // namespace fragdeck
