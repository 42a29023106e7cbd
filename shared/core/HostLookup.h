#pragma once
// Every host-name lookup of the suite goes through here, so that one seam decides whether
// names reach the system's resolver. The test support replaces it for every test: a lookup
// leaves the machine, and no test may do that.
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

namespace fragdeck
{

// Looks a host name up; an empty list when it cannot be resolved.
using HostLookup = std::function<QList<QHostAddress>(const QString& host)>;
// Replaces the system's lookup; an empty function restores it.
void setHostLookup(HostLookup lookup);
// True while a replacement is installed.
bool hostLookupReplaced();

// Numeric addresses at once; names through the lookup (the system's blocks until it has
// an answer). IPv4 addresses come first.
QList<QHostAddress> lookUpHost(const QString& host);

} // namespace fragdeck
