#pragma once
// The component's creatable class and its plugin factory.
#include "Component.h"

#include <QObject>

namespace fragdeck::links
{

class LinkShelfClass : public QObject
{
    Q_OBJECT
public:
    // Shows the useful-links window modally; returns when it closes.
    Q_INVOKABLE void main();
};

class LinkShelfFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "linkshelf.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck::links
