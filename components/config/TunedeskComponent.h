#pragma once
// The plugin of config.so: its one creatable class "config.class" shows its window.
#include "core/Component.h"

namespace fragdeck::config
{

class TunedeskFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "tunedesk.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    TunedeskFactory();
};

} // namespace fragdeck::config
