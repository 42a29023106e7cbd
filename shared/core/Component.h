#pragma once
// The plugin interface every component library implements.
//
// A component is a Qt plugin library system/NAME.so. Its JSON metadata (read by the
// registration tool without loading the library) lists its creatable classes:
//   { "classes": [ { "progId": "scoutlink.commander", "class": "Commander" } ] }
// Creatable classes are QObjects whose operations are Q_INVOKABLE, take QVariant
// arguments (QVariant& for out-arguments) and return QVariant or nothing.
#include <QObject>
#include <QString>
#include <QtPlugin>

namespace fragdeck {

class ComponentFactory {
public:
    virtual ~ComponentFactory() = default;
    // A new object of the named class (case-insensitive), owned by the caller;
    // nullptr when the library has no such class.
    virtual QObject* create(const QString& className) = 0;
};

} // namespace fragdeck

#define FragdeckComponentFactory_iid "org.fragdeck.ComponentFactory/1"
Q_DECLARE_INTERFACE(fragdeck::ComponentFactory, FragdeckComponentFactory_iid)
