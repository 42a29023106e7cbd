#pragma once
// Creation of components by registered name and late-bound calls by operation name.
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

namespace fragdeck
{

// What a component library declares in its metadata.
struct ComponentClass {
    QString progId;
    QString className;
};

// Reads a library's registered names without loading it; false, with a reason, for a
// missing or non-component library or one that declares no class.
bool readComponentMetadata(const QString& libraryPath, QList<ComponentClass>* classes,
                           QString* error = nullptr);

// Writes every registered name of the library into the store (name -> absolute library
// path and class). Returns false, with a reason, for a missing or non-component library.
bool registerComponentLibrary(const QString& libraryPath, QString* error = nullptr);
bool unregisterComponentLibrary(const QString& libraryPath, QString* error = nullptr);

// Where a registered name points; empty when it is not registered.
QString registeredLibrary(const QString& progId);

// Creates the object registered under progId (case-insensitive). The library is loaded
// once and never unloaded. Raises Error 429 with a description for a name that is not
// registered, a library that is missing or not a component, or a class it lacks.
std::unique_ptr<QObject> CreateObject(const QString& progId);

// Calls the operation `name` (case-insensitive) of obj with the given arguments; the
// values an operation writes into QVariant& parameters are written back into args.
// Returns the operation's result (an empty variant for operations without one).
// Raises Error 438 when the object has no such operation, 450 for a wrong argument count,
// and whatever Error the operation raises itself.
QVariant CallByName(QObject* obj, const QString& name, QVariantList& args);
QVariant CallByName(QObject* obj, const QString& name, const QVariantList& args = {});

} // namespace fragdeck
