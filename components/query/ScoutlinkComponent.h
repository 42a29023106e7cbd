#pragma once
// The plugin factory of the query engine library system/scoutlink.so.
#include "Component.h"

#include <QObject>

namespace fragdeck::query
{

class ScoutlinkFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "scoutlink.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck::query
