#pragma once
// The network tuner's creatable class "linetune.entry" and its plugin factory.
#include "Component.h"

#include <QObject>

class LinetuneEntry : public QObject
{
    Q_OBJECT
public:
    // Shows the tuner modally; returns when it closes.
    Q_INVOKABLE void main();
};

class LinetuneFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "linetune.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};
