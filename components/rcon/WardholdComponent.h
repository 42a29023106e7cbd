#pragma once
// The plugin of wardhold.so: its one creatable class "wardhold.class" shows its window.
#include "core/Component.h"

namespace fragdeck
{

class WardholdFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "wardhold.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    WardholdFactory();
};

} // namespace fragdeck
