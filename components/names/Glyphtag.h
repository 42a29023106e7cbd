#pragma once
// The plugin of base.so: its one creatable class "base.glyphtag" shows its window.
#include "core/Component.h"

namespace fragdeck::names
{

class GlyphtagFactory : public QObject, public OneWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "glyphtag.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    GlyphtagFactory();
};

} // namespace fragdeck::names
