#pragma once
// The plugin interface every component library implements.
//
// A component is a Qt plugin library system/NAME.so. Its JSON metadata (read by the
// registration tool without loading the library) lists its creatable classes:
//   { "classes": [ { "progId": "scoutlink.commander", "class": "Commander" } ] }
// Creatable classes are QObjects whose operations are Q_INVOKABLE, take QVariant
// arguments (QVariant& for out-arguments) and return QVariant or nothing.
#include "core/Paths.h"

#include <QObject>
#include <QString>
#include <QtPlugin>
#include <functional>

namespace fragdeck
{

class ComponentFactory
{
public:
    virtual ~ComponentFactory() = default;
    // A new object of the named class (case-insensitive), owned by the caller;
    // nullptr when the library has no such class.
    virtual QObject* create(const QString& className) = 0;
};

// The factory of a library with one creatable class: `className`, in any case, gives a new
// object from `make`. A component's plugin class derives from it (or OneWindowFactory) and
// QObject, and declares its metadata file:
//   class XFactory : public QObject, public OneClassFactory {
//       Q_OBJECT
//       Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "x.json")
//       Q_INTERFACES(fragdeck::ComponentFactory)
//   public:
//       XFactory();
//   };
class OneClassFactory : public ComponentFactory
{
public:
    OneClassFactory(const char* className, std::function<QObject*()> make);
    QObject* create(const QString& className) override;

private:
    QString m_className;
    std::function<QObject*()> m_make;
};

// The creatable class of a component that shows one window: main() runs `show`, which
// shows the window modally and returns when it closes.
class WindowClass : public QObject
{
    Q_OBJECT
public:
    explicit WindowClass(std::function<void()> show) : m_show(std::move(show)) {}
    Q_INVOKABLE void main() { m_show(); }

private:
    std::function<void()> m_show;
};

// The factory of a library whose one creatable class shows one window: each object it
// makes is a WindowClass running `show`, e.g. [] { XWindow().exec(); }.
class OneWindowFactory : public OneClassFactory
{
public:
    OneWindowFactory(const char* className, std::function<void()> show);
};

// The folder of the library the caller is built into, where a component's own files lie.
// Internal linkage gives every library its own copy, and so an address inside it.
[[maybe_unused]] static QString ownLibraryFolder()
{
    static const char anchor = 0;
    return libraryFolderOf(&anchor);
}

} // namespace fragdeck

#define FragdeckComponentFactory_iid "org.fragdeck.ComponentFactory/1"
Q_DECLARE_INTERFACE(fragdeck::ComponentFactory, FragdeckComponentFactory_iid)
