// Without libFuzzer: replays the seed demos, then seeded random damage to them (cuts,
// changed bytes, changed message lengths, repeated pieces), through the same entry point.
#include <QDir>
#include <QFile>
#include <QtEndian>
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
    const int32_t lengths[] = {-1, -2, 0, 1, 7, 16384, 16385, 0x7fffffff, int32_t(0x80000000)};
    int runs = 0;
    for (; runs < 6000; ++runs) {
        QByteArray b = seeds[rng() % seeds.size()];
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits && !b.isEmpty(); ++e) {
            const qsizetype at = qsizetype(rng() % uint32_t(b.size()));
            switch (rng() % 5) {
            case 0:
                b.truncate(at);
                break;
            case 1:
                b[at] = char(rng());
                break;
            case 2:
                if (at + 4 <= b.size())
                    qToLittleEndian(lengths[rng() % std::size(lengths)], b.data() + at);
                break;
            case 3:
                b.insert(at, b.mid(qsizetype(rng() % uint32_t(b.size())), 1 + int(rng() % 40)));
                break;
            default:
                b[at] = char(uchar(b[at]) ^ (1u << (rng() % 8)));
                break;
            }
        }
        run(b);
    }
    std::printf("%zu seeds and %d damaged copies ran clean\n", seeds.size(), runs);
    return 0;
}
