// Arbitrary bytes as a demo of every kind, read for the game state and whole. A reason
// that is not "not a readable demo: ...", a readable demo without a map, a negative
// length or a crash is a fault.
#include "game/DemoFile.h"

#include <cstdint>
#include <cstdlib>

using namespace fragdeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int format : {68, 71, 3, 0}) {
        const DemoInfo start = readDemo(bytes, format, DemoDepth::GameState);
        const DemoInfo whole = readDemo(bytes, format, DemoDepth::Whole);
        if (start.readable != whole.readable)
            std::abort();
        for (const DemoInfo* info : {&start, &whole}) {
            if (!info->readable && !info->error.startsWith(QLatin1String("not a readable demo: ")))
                std::abort();
            if (info->readable && (info->map.isEmpty() || info->durationMs < 0))
                std::abort();
        }
    }
    return 0;
}
