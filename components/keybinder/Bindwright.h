#pragma once
// The plugin of bindwright.so: its one creatable class "bindwright.class" shows its window.
#include "core/Component.h"

namespace fragdeck::bind
{

class BindwrightFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "bindwright.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    BindwrightFactory();
};

} // namespace fragdeck::bind
