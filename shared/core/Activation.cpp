#include "Activation.h"

#include "core/Component.h"
#include "core/Error.h"
#include "core/Settings.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMetaMethod>
#include <QPluginLoader>

namespace fragdeck
{
namespace
{

// Registered names live in the store like the platform's class registry.
const QString kClassesApp = QStringLiteral("Classes");
const QString kLibraryKey = QStringLiteral("Library");
const QString kClassKey = QStringLiteral("Class");

[[noreturn]] void cannotCreate(const QString& progId, const QString& why)
{
    throw Error(ErrorCode::CannotCreateObject,
                QStringLiteral("ActiveX component can't create object '%1': %2").arg(progId, why));
}

// Loaded libraries by path; QPluginLoader instances are kept so nothing is ever unloaded.
QHash<QString, QPluginLoader*>& loaders()
{
    static QHash<QString, QPluginLoader*> map;
    return map;
}

} // namespace

ComponentMetadata readComponentMetadata(const QString& libraryPath)
{
    ComponentMetadata result;
    const QFileInfo fi(libraryPath);
    if (!fi.isFile()) {
        result.error = QStringLiteral("File not found: %1").arg(libraryPath);
        return result;
    }
    QPluginLoader loader(fi.absoluteFilePath());
    const QJsonObject meta = loader.metaData();
    if (meta.isEmpty() || meta.value(QLatin1String("IID")).toString() !=
                              QLatin1String(FragdeckComponentFactory_iid)) {
        result.error =
            QStringLiteral("%1 is not a Fragdeck component%2")
                .arg(libraryPath, loader.errorString().isEmpty()
                                      ? QString()
                                      : QStringLiteral(" (%1)").arg(loader.errorString()));
        return result;
    }
    const QJsonArray classes =
        meta.value(QLatin1String("MetaData")).toObject().value(QLatin1String("classes")).toArray();
    for (const auto& c : classes) {
        const QJsonObject o = c.toObject();
        ComponentClass cc{o.value(QLatin1String("progId")).toString(),
                          o.value(QLatin1String("class")).toString()};
        if (!cc.progId.isEmpty() && !cc.className.isEmpty())
            result.classes.append(cc);
    }
    if (result.classes.isEmpty()) {
        result.error = QStringLiteral("%1 declares no creatable class").arg(libraryPath);
        return result;
    }
    result.ok = true;
    return result;
}

namespace
{

// Both keys of every class the library declares: its path and class name when
// registering, empty when not (the store never deletes keys: an empty library path reads
// as "not registered").
bool writeClassKeys(const QString& libraryPath, bool registering, QString* error)
{
    const ComponentMetadata meta = readComponentMetadata(libraryPath);
    if (!meta.ok) {
        if (error)
            *error = meta.error;
        return false;
    }
    const QString path = registering ? QFileInfo(libraryPath).absoluteFilePath() : QString();
    for (const ComponentClass& c : meta.classes) {
        if (!SaveSetting(kClassesApp, c.progId, kLibraryKey, path, error) ||
            !SaveSetting(kClassesApp, c.progId, kClassKey, registering ? c.className : QString(),
                         error))
            return false;
    }
    return true;
}

} // namespace

bool registerComponentLibrary(const QString& libraryPath, QString* error)
{
    return writeClassKeys(libraryPath, true, error);
}

bool unregisterComponentLibrary(const QString& libraryPath, QString* error)
{
    return writeClassKeys(libraryPath, false, error);
}

QString registeredLibrary(const QString& progId)
{
    return GetSetting(kClassesApp, progId, kLibraryKey);
}

std::unique_ptr<QObject> CreateObject(const QString& progId)
{
    const QString path = registeredLibrary(progId);
    const QString className = GetSetting(kClassesApp, progId, kClassKey);
    if (path.isEmpty() || className.isEmpty())
        cannotCreate(progId, QStringLiteral("the name is not registered"));

    QPluginLoader*& loader = loaders()[path];
    if (!loader)
        loader = new QPluginLoader(path);
    if (!QFileInfo::exists(path))
        cannotCreate(progId, QStringLiteral("the library %1 is missing").arg(path));
    QObject* root = loader->instance();
    if (!root)
        cannotCreate(progId, QStringLiteral("the library %1 cannot be loaded (%2)")
                                 .arg(path, loader->errorString()));
    auto* factory = qobject_cast<ComponentFactory*>(root);
    if (!factory)
        cannotCreate(progId,
                     QStringLiteral("the library %1 is not a Fragdeck component").arg(path));
    std::unique_ptr<QObject> obj(factory->create(className));
    if (!obj)
        cannotCreate(progId, QStringLiteral("the library %1 has no class %2").arg(path, className));
    return obj;
}

QVariant CallByName(QObject* obj, const QString& name, QVariantList& args)
{
    if (!obj)
        throw Error(91, QStringLiteral("Object variable not set"));
    const QMetaObject* mo = obj->metaObject();
    QMetaMethod found;
    bool nameSeen = false;
    for (int i = 0; i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (m.methodType() != QMetaMethod::Method && m.methodType() != QMetaMethod::Slot)
            continue;
        if (m.access() != QMetaMethod::Public)
            continue;
        if (QString::fromLatin1(m.name()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        nameSeen = true;
        if (m.parameterCount() == args.size()) {
            found = m;
            break;
        }
    }
    if (!found.isValid()) {
        if (nameSeen)
            throw Error(ErrorCode::WrongArgumentCount,
                        QStringLiteral("Wrong number of arguments or invalid property assignment: "
                                       "'%1'")
                            .arg(name));
        throw Error(
            ErrorCode::NoSuchOperation,
            QStringLiteral("Object doesn't support this property or method: '%1'").arg(name));
    }

    // Every parameter is a QVariant or a QVariant&: both read their argument through a
    // QVariant pointer, and a reference writes straight back into args.
    const QMetaType variantType = QMetaType::fromType<QVariant>();
    for (int i = 0; i < found.parameterCount(); ++i) {
        QByteArray type = found.parameterTypeName(i);
        if (type.endsWith('&'))
            type.chop(1);
        if (QMetaType::fromName(type) != variantType)
            throw Error(
                ErrorCode::TypeMismatch,
                QStringLiteral("Operation '%1' takes a parameter that is not a variant").arg(name));
    }
    QVector<void*> argv(found.parameterCount() + 1);
    for (int i = 0; i < found.parameterCount(); ++i)
        argv[i + 1] = &args[i];

    const QMetaType returnType = found.returnMetaType();
    QVariant result;
    if (returnType == variantType) {
        argv[0] = &result;
        QMetaObject::metacall(obj, QMetaObject::InvokeMetaMethod, found.methodIndex(), argv.data());
    } else if (!returnType.isValid() || returnType.id() == QMetaType::Void) {
        argv[0] = nullptr;
        QMetaObject::metacall(obj, QMetaObject::InvokeMetaMethod, found.methodIndex(), argv.data());
    } else {
        result = QVariant(returnType);
        argv[0] = result.data();
        QMetaObject::metacall(obj, QMetaObject::InvokeMetaMethod, found.methodIndex(), argv.data());
    }
    return result;
}

QVariant CallByName(QObject* obj, const QString& name, const QVariantList& args)
{
    QVariantList copy = args;
    return CallByName(obj, name, copy);
}

} // namespace fragdeck
