#pragma once
// The archive explorer component: class "Class", whose main shows the explorer modally.
#include "Component.h"

#include <QObject>

namespace fragdeck::archive
{

class CrateviewClass : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void main();
};

class CrateviewFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "crateview.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck::archive
