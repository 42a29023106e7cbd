#pragma once
// Archive access over libzip: one operation, RunUnzip, run once over one pk3 (zip)
// archive to list its members or to extract named members into a folder. Each tool that
// carries it (archive explorer, match starter, demo player) has its own UnzipModule.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace fragdeck::archive {

enum class UnzipVariant {
    ListingAll,   // archive explorer: every member listed, a failed run reported
    PrefixFilter, // match starter, demo player: members under MemberFilter only, silent
};

class UnzipModule {
public:
    explicit UnzipModule(UnzipVariant variant);

    // The listing result: slots 0 .. MemberCount - 1 are filled; the next member goes
    // into slot MemberCount. Callers set MemberCount = 0 before a listing run.
    QStringList MemberList;
    int32_t MemberCount = 0;
    // Prefix-filter variant: the upper-case path prefix to list, e.g. "MAPS/".
    QString MemberFilter;
    // Member paths to extract (slot 0 upward) and to skip; callers fill slot 0.
    QStringList ExtractNames;
    QStringList ExcludeNames;

    // Arguments as the callers pass them: flags are 0 or 1; nameCount / excludeCount are
    // the used slots of ExtractNames / ExcludeNames (0 = all members). Returns the run's
    // code: 0 for success.
    int RunUnzip(const QString& archivePath, const QString& targetFolder, int16_t promptOverwrite,
                 int16_t overwrite, int16_t listOnly, int16_t keepFolders, int32_t nameCount,
                 int32_t excludeCount);

    UnzipVariant variant() const { return m_variant; }
    // What went wrong in the last run (empty after a clean run).
    const QString& lastError() const { return m_lastError; }

private:
    UnzipVariant m_variant;
    QString m_lastError;
};

} // namespace fragdeck::archive
