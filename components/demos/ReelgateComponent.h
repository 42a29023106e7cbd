#pragma once
// The plugin of reelgate.so: its one creatable class "reelgate.Class" shows its window.
#include "core/Component.h"

namespace fragdeck::demos
{

class ReelgateFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "reelgate.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    ReelgateFactory();
};

} // namespace fragdeck::demos
