// Arbitrary bytes as the option definitions file (before the first NUL byte) and the
// game's config file (after it): reading and saving never crash, a file that is refused
// is left alone, and a save with nothing changed writes the working copy as it is.
#include "ConfigFile.h"
#include "OptionDefs.h"
#include "core/Settings.h"
#include "core/TextFile.h"

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
    QFile::remove(workingCopyPath(cfg));

    OptionSet set = OpenOptions(dir.filePath("options.dat"));
    for (const OptionEntry& o : set.options) {
        GetVarName(o.key);
        GetOptionNumber(o.key);
        GetDefault(o.key);
        FillChoices(o.key);
        set.descriptionFor(GetOptionNumber(o.key));
    }
    QByteArray saved;
    if (!ReadValues(cfg, set.options, !config.isEmpty() && (config[0] & 1))) {
        if (QFile::exists(workingCopyPath(cfg)) || !readFileBytes(cfg, &saved) || saved != config)
            std::abort();
        return 0;
    }
    if (SaveValues(cfg, set.options) != SaveResult::Saved)
        std::abort();
    if (!readFileBytes(cfg, &saved) || saved != workingCopyOf(config))
        std::abort();
    return 0;
}
