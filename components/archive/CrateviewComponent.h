#pragma once
// The plugin of crateview.so: its one creatable class "crateview.class" shows its window.
#include "core/Component.h"

namespace fragdeck::archive
{

class CrateviewFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "crateview.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    CrateviewFactory();
};

} // namespace fragdeck::archive
