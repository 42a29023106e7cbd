// Without libFuzzer: replays the seed corpus, then seeded random damage to it (cut,
// changed and inserted bytes, lengths at their edges, repeated pieces) and random byte
// strings, through the same entry point.
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
void run(const QByteArray& b)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<QByteArray> seeds;
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                seeds.push_back(f.readAll());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed inputs found\n");
        return 1;
    }
    for (const QByteArray& s : seeds)
        run(s);

    std::mt19937 rng(1);
    const char special[] = {'\\', '\n', '\r', '\0', '^', ' ', '"', '/', '\xff', '\x01'};
    // Lengths, counts and offsets at their edges, as 32-bit little-endian numbers.
    const int32_t edges[] = {
        -1, -2, 0, 1, 7, 65535, 65536, 16384, 16385, 0x7fffffff, int32_t(0x80000000)};
    int runs = 0;
    for (; runs < 6000; ++runs) {
        QByteArray b;
        if (runs % 6 == 5) {
            b.resize(qsizetype(rng() % 600));
            for (auto& c : b)
                c = special[rng() % sizeof special];
        } else {
            b = seeds[rng() % seeds.size()];
            const int edits = 1 + int(rng() % 8);
            for (int e = 0; e < edits && !b.isEmpty(); ++e) {
                const qsizetype at = qsizetype(rng() % uint32_t(b.size()));
                switch (rng() % 7) {
                case 0:
                    b[at] = special[rng() % sizeof special];
                    break;
                case 1:
                    b.truncate(at);
                    break;
                case 2:
                    b.insert(at, special[rng() % sizeof special]);
                    break;
                case 3:
                    if (at + 4 <= b.size())
                        qToLittleEndian(edges[rng() % std::size(edges)], b.data() + at);
                    break;
                case 4:
                    b.insert(at, b.mid(qsizetype(rng() % uint32_t(b.size())), 1 + int(rng() % 40)));
                    break;
                case 5:
                    b[at] = char(uchar(b[at]) ^ (1u << (rng() % 8)));
                    break;
                default:
                    b[at] = char(rng());
                    break;
                }
            }
        }
        run(b);
    }
    // Inputs past 32 KB, where 16-bit counts and offsets overflow.
    for (const QByteArray& s : seeds)
        run(s.repeated(40000 / std::max<qsizetype>(s.size(), 1) + 1));
    std::printf("%zu seeds and %d generated inputs ran clean\n", seeds.size(),
                runs + int(seeds.size()));
    return 0;
}
