// Arbitrary bytes as a master's list, a status reply and an info reply: what the server list
// engine takes from the network. Nothing may crash, read outside the datagram or give
// values the bytes cannot hold.
#include "servers/MasterProtocol.h"
#include "servers/StatusReply.h"

#include <cstdint>
#include <cstdlib>

using namespace fragdeck::servers;
using fragdeck::ServerAddress;

namespace
{

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void info(const ServerInfo& s, qsizetype size)
{
    check(s.infoString.size() <= size + 1);
    check(s.players.size() <= size / 4);
    check(s.botCount() >= 0 && s.botCount() <= s.players.size());
    s.value("sv_hostname");
    s.value("");
    const auto pairs = s.pairs();
    check(pairs.size() <= size);
    for (const PlayerInfo& p : s.players)
        check(p.name.size() <= size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray prefixed = QByteArray(4, '\xff') + bytes;
    for (const QByteArray& d : {bytes, prefixed}) {
        const MasterReply m = parseMasterReply(d);
        check(m.servers.size() <= d.size() / 7);
        for (const ServerAddress& a : m.servers)
            check(!a.isNull());
        if (const auto s = parseStatusResponse(d))
            info(s->info, d.size());
        if (const auto i = parseInfoResponse(d))
            info(i->info, d.size());
    }
    // The same bytes after each header, so the parsers get past their prefix.
    for (const char* header :
         {"getserversResponse", "getserversExtResponse", "statusResponse\n", "infoResponse\n"}) {
        const QByteArray d = QByteArray(4, '\xff') + header + bytes;
        const MasterReply m = parseMasterReply(d);
        check(m.servers.size() <= bytes.size() / 7);
        if (const auto s = parseStatusResponse(d))
            info(s->info, d.size());
        if (const auto i = parseInfoResponse(d))
            info(i->info, d.size());
    }
    return 0;
}
