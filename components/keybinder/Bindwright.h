#pragma once
// The key binder's creatable class "bindwright.class" and its plugin factory.
#include "Component.h"

#include <QObject>

class BindwrightClass : public QObject
{
    Q_OBJECT
public:
    // Shows the key binder modally; returns when it closes.
    Q_INVOKABLE void main();
};

class BindwrightFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "bindwright.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};
