// Compiled into every test program: no test may ask the system's resolver, as a lookup
// leaves the machine. Host names resolve here, "localhost" to loopback and every other name
// to nothing.
#include "core/HostLookup.h"

namespace
{

const bool g_hostsResolveLocally = [] {
    fragdeck::setHostLookup([](const QString& host) {
        return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                   ? QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)}
                   : QList<QHostAddress>{};
    });
    return true;
}();

} // namespace
