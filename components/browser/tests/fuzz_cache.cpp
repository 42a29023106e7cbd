// Arbitrary bytes as the saved server list: whatever it holds, reading it may not crash,
// and what loads stays within a live reply's bounds.
#include "ServerCache.h"

#include <cstdint>
#include <cstdlib>

using namespace fragdeck::browser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fragdeck::servers::ReplyLimits limits;
    QString error;
    const SavedList list = readServerCache(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), limits, &error);
    for (const ServerRow& r : list.rows) {
        if (r.key.isEmpty() || r.info.players.size() > limits.maxPlayers ||
            r.info.infoString.size() > limits.maxBytes)
            std::abort();
    }
    return 0;
}
