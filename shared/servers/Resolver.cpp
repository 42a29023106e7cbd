#include "Resolver.h"

#include "core/HostLookup.h"

#include <QHostInfo>
#include <QPointer>

namespace fragdeck::servers
{
namespace
{

bool numeric(const QString& host, QList<QHostAddress>* out)
{
    QHostAddress a;
    if (!a.setAddress(host))
        return false;
    out->append(a);
    return true;
}

} // namespace

QHostAddress preferredAddress(const QList<QHostAddress>& found)
{
    for (const QHostAddress& a : found)
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return found.value(0);
}

Resolver systemResolver()
{
    return [](const QString& host, QObject* context, ResolveDone done) {
        QList<QHostAddress> found;
        if (numeric(host, &found)) {
            done(found);
            return;
        }
        // A replaced lookup (every test's) answers at once, the system's in the background.
        if (hostLookupReplaced()) {
            done(lookUpHost(host));
            return;
        }
        QHostInfo::lookupHost(host, context, [done](const QHostInfo& info) {
            done(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
        });
    };
}

Resolver fixedResolver(const QList<std::pair<QString, QHostAddress>>& table)
{
    return [table](const QString& host, QObject*, ResolveDone done) {
        QList<QHostAddress> found;
        if (!numeric(host, &found))
            for (const auto& [name, address] : table)
                if (name.compare(host, Qt::CaseInsensitive) == 0)
                    found.append(address);
        done(found);
    };
}

} // namespace fragdeck::servers
