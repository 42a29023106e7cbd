#include "HostLookup.h"

#include <QHostInfo>
#include <algorithm>

namespace fragdeck
{
namespace
{

HostLookup& replacement()
{
    static HostLookup lookup;
    return lookup;
}

} // namespace

void setHostLookup(HostLookup lookup)
{
    replacement() = std::move(lookup);
}

bool hostLookupReplaced()
{
    return bool(replacement());
}

QList<QHostAddress> lookUpHost(const QString& host)
{
    QHostAddress numeric;
    if (numeric.setAddress(host))
        return {numeric};
    if (host.trimmed().isEmpty())
        return {};
    QList<QHostAddress> found =
        replacement() ? replacement()(host) : QHostInfo::fromName(host).addresses();
    std::stable_partition(found.begin(), found.end(), [](const QHostAddress& a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    return found;
}

} // namespace fragdeck
