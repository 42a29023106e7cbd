#pragma once
// The match starter's creatable class "kickgate.Class" and its plugin factory.
#include "Component.h"

#include <QObject>

namespace fragdeck::starter
{

class Class : public QObject
{
    Q_OBJECT
public:
    // Shows frm_main modally; returns when it closes.
    Q_INVOKABLE void Main();
};

class KickgateFactory : public QObject, public ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "kickgate.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};

} // namespace fragdeck::starter
