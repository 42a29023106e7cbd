// Arbitrary bytes as the option definitions file (before the first NUL byte) and the
// game's config file (after it): reading and saving never crash, and every line of a save
// ends with the config file's own line end.
#include "ConfigFile.h"
#include "OptionDefs.h"
#include "Settings.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace fragdeck;
using namespace fragdeck::config;

namespace
{

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

bool endsAreAll(const QByteArray& bytes, const QByteArray& end)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (bytes.mid(i, end.size()) != end)
            return false;
        i += end.size() - 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static const bool storeSet = [] {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        settings::reset();
        return true;
    }();
    (void)storeSet;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArray defs = split < 0 ? input : input.left(split);
    const QByteArray config = split < 0 ? QByteArray() : input.mid(split + 1);
    write(dir.filePath("options.dat"), defs);
    const QString cfg = dir.filePath("q3config.cfg");
    write(cfg, config);

    OptionSet set = OpenOptions(dir.filePath("options.dat"));
    for (const OptionEntry& o : set.options) {
        GetVarName(o.key);
        GetOptionNumber(o.key);
        GetDefault(o.key);
        FillChoices(o.key);
        set.descriptionFor(GetOptionNumber(o.key));
    }
    if (!ReadValues(cfg, set.options, !config.isEmpty() && (config[0] & 1)))
        std::abort();
    if (SaveValues(cfg, set.options) != SaveResult::Saved)
        std::abort();
    QByteArray saved;
    if (!readFileBytes(cfg, &saved) || !endsAreAll(saved, lineEndOf(config)))
        std::abort();
    return 0;
}
