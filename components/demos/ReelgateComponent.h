#pragma once
// The demo player's creatable class "reelgate.Class" and its plugin factory.
#include "Component.h"

#include <QObject>

namespace fragdeck::demos
{

class Class : public QObject
{
    Q_OBJECT
public:
    // Shows frm_main modally; returns when it closes.
    Q_INVOKABLE void Main();
};

class ReelgateFactory : public QObject, public ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "reelgate.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck::demos
