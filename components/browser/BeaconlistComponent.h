#pragma once
#include "Component.h"

#include <QObject>

namespace fragdeck
{

// The creatable class: shows the server browser until it is closed.
class BeaconlistClass : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void Main();
};

class BeaconlistFactory : public QObject, public ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "beaconlist.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck
