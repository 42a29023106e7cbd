#pragma once
// The query protocols and the request datagram each one sends.
#include <QByteArray>
#include <QString>

namespace fragdeck::query
{

enum class Protocol { Quake3, Quake2, QuakeWorld, HalfLife, Custom, None };

// The protocol a HostType names; the names compare case-sensitively ("quake3" is None).
Protocol protocolOf(const QString& hostType);

// The datagram a request sends: FF FF FF FF + the protocol's text, for "HALFLIFE" the text
// of `stage` (0 info, 1 rules, 2 players; 3 sends nothing), for "CUSTOM" the custom text
// alone in Latin-1. Empty means nothing is sent.
QByteArray requestDatagram(Protocol protocol, int stage, const QString& customRequest);

} // namespace fragdeck::query
