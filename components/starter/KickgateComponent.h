#pragma once
// The plugin of kickgate.so: its one creatable class "kickgate.Class" shows its window.
#include "core/Component.h"

namespace fragdeck::starter
{

class KickgateFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "kickgate.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    KickgateFactory();
};

} // namespace fragdeck::starter
