#pragma once
// The server list's settings, in the store under application "Fragdeck", section "Servers":
//
//   "Masters"        master servers, "host[:port]" (port 27950 when absent) separated by
//                    blanks, commas or line ends. Absent: the four defaults below. Empty:
//                    no masters.
//   "Protocol"       68 (Quake III, ioquake3) or 71 (OpenArena). Absent or anything else:
//                    from the installed game (71 when its data folder is baseoa).
//   "MaxInFlight"    servers queried at once (default 200).
//   "PaceUs"         microseconds between two query datagrams (default 500).
//   "AttemptTimeout" the longest each of the 3 attempts waits for an answer, in ms (default
//                    500); attempts wait less when the servers answer sooner
//   "AttemptTimeoutFloor" the shortest an attempt waits, in ms (default 100)
//   "MaxServers"     servers taken from all masters together in one refresh (default 65536)
//   "MaxMasterDatagrams" datagrams taken from one master in one refresh (default 2000)
//   "MasterListSeconds"  a master's list ends this long after its first datagram (10)
//   "MaxReplyBytes", "MaxReplyKeys", "MaxReplyPlayers"  a server's reply is cut past these
//                    (16384 bytes, 1024 info keys, 256 players)
#include "servers/MasterClient.h"
#include "servers/ServerPoller.h"

#include <QList>
#include <QString>

namespace fragdeck::servers
{

extern const char* const kDefaultMasters[4];

// Each entry of "Masters" that parses; entries that do not are left out.
QList<MasterServer> loadMasters();
void saveMasters(const QList<MasterServer>& masters);
// The masters in `text` (separated by spaces or commas), or each entry of a list; what does
// not parse is left out.
QList<MasterServer> parseMasterList(const QString& text);
QList<MasterServer> parseMasterList(const QStringList& entries);

// The protocol number to ask masters for.
int loadProtocol();
void saveProtocol(int protocol);
// 71 for an OpenArena installation (game folder baseoa), else 68.
int protocolForInstalledGame();

PollerSettings loadPollerSettings();
MasterLimits loadMasterLimits();

} // namespace fragdeck::servers
