#pragma once
#include "Component.h"

#include <QObject>

namespace fragdeck
{

// The creatable class: shows the remote admin window until it is closed.
class WardholdClass : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void main();
};

class WardholdFactory : public QObject, public ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "wardhold.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck
