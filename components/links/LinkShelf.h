#pragma once
// The plugin of linkshelf.so: its one creatable class "linkshelf.class" shows its window.
#include "core/Component.h"

namespace fragdeck::links
{

class LinkShelfFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "linkshelf.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    LinkShelfFactory();
};

} // namespace fragdeck::links
