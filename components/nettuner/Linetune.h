#pragma once
// The plugin of linetune.so: its one creatable class "linetune.entry" shows its window.
#include "core/Component.h"

namespace fragdeck::net
{

class LinetuneFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "linetune.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    LinetuneFactory();
};

} // namespace fragdeck::net
