#pragma once
#include "core/Component.h"

#include <QObject>
#include <QVariant>

// A creatable class with operations of every shape the contract allows.
class Probe : public QObject
{
    Q_OBJECT
public:
    explicit Probe(QString name) : m_name(std::move(name)) {}
    Q_INVOKABLE void main();
    Q_INVOKABLE QVariant Echo(QVariant value) { return value; }
    Q_INVOKABLE QVariant Add(QVariant a, QVariant b);
    Q_INVOKABLE void Fill(QVariant in, QVariant& outText, QVariant& outNumber);
    Q_INVOKABLE QVariant Fail();
    Q_INVOKABLE QString Name() const { return m_name; }

private:
    QString m_name;
};

class ProbeFactory : public QObject, public fragdeck::ComponentFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FragdeckComponentFactory_iid FILE "probe.json")
    Q_INTERFACES(fragdeck::ComponentFactory)
public:
    QObject* create(const QString& className) override;
};
