#pragma once
// The name maker's creatable class "base.glyphtag" and its plugin factory.
#include "Component.h"

#include <QObject>

// Named as the launcher knows the class.
class glyphtag : public QObject
{
    Q_OBJECT
public:
    // Shows the editor modally; returns when it closes.
    Q_INVOKABLE void Main();
};

class GlyphtagFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "glyphtag.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};
