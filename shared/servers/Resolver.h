#pragma once
// How the engine turns host names into addresses. A caller (a test above all) may replace
// it, so that nothing it runs ever asks the system's resolver.
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

class QObject;

namespace fragdeck::servers
{

// Called once with the addresses found; an empty list means the host cannot be resolved.
using ResolveDone = std::function<void(const QList<QHostAddress>&)>;
// Resolves `host`; `done` may run at once or later from the event loop, and never runs
// once `context` is gone.
using Resolver = std::function<void(const QString& host, QObject* context, ResolveDone done)>;

// The address to use of those a look-up found: the first IPv4 one, as the game itself
// connects, else the first; null when there is none.
QHostAddress preferredAddress(const QList<QHostAddress>& found);

// Numeric addresses at once, names through the system (QHostInfo, asynchronous).
Resolver systemResolver();

// A resolver that knows only numeric addresses and the names in `table`.
Resolver fixedResolver(const QList<std::pair<QString, QHostAddress>>& table);

} // namespace fragdeck::servers
