#pragma once
// The component's creatable class ("config.class") and its plugin factory.
#include "Component.h"

#include <QObject>

// The registered class "class": main() shows the config editor modally.
class ConfigClass : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void main();
};

class TunedeskFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "tunedesk.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};
