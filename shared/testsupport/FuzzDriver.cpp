// Without libFuzzer: replays the seed corpus, then seeded random mutations of it and
// random byte strings, through the same entry point.
#include <QDir>
#include <QFile>
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
    const char special[] = {'\\', '\n', '\0', '^', ' ', '"', '\xff', '\x01'};
    int runs = 0;
    for (; runs < 4000; ++runs) {
        QByteArray b;
        if (runs % 4 == 3) {
            b.resize(qsizetype(rng() % 600));
            for (auto& c : b)
                c = special[rng() % sizeof special];
        } else {
            b = seeds[rng() % seeds.size()];
            const int edits = 1 + int(rng() % 8);
            for (int e = 0; e < edits && !b.isEmpty(); ++e) {
                const qsizetype at = qsizetype(rng() % uint32_t(b.size()));
                switch (rng() % 4) {
                case 0:
                    b[at] = special[rng() % sizeof special];
                    break;
                case 1:
                    b.truncate(at);
                    break;
                case 2:
                    b.insert(at, special[rng() % sizeof special]);
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
