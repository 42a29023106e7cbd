#pragma once
// Archive access over libzip: one operation, RunUnzip, run once over one pk3 (zip)
// archive to list its members or to extract named members into a folder. Each tool that
// carries it (archive explorer, match starter, demo player) has its own UnzipModule.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstdint>
#include <functional>

namespace fragdeck::archive
{

enum class UnzipVariant {
    ListingAll,   // archive explorer: every member listed, a failed run reported
    PrefixFilter, // match starter, demo player: members under MemberFilter only, silent
};

class UnzipModule
{
public:
    explicit UnzipModule(UnzipVariant variant);

    // The listing result: slots 0 .. MemberCount - 1 are filled; the next member goes
    // into slot MemberCount. Callers set MemberCount = 0 before a listing run.
    QStringList MemberList;
    int32_t MemberCount = 0;
    // Prefix-filter variant: the upper-case path prefix to list, e.g. "MAPS/".
    QString MemberFilter;
    // Member paths to extract (slot 0 upward) and to skip; callers fill slot 0. Both start
    // with 100 empty slots; names are matched exactly (case-sensitively).
    QStringList ExtractNames;
    QStringList ExcludeNames;

    // Arguments as the callers pass them: flags are 0 or 1; nameCount / excludeCount are
    // the used slots of ExtractNames / ExcludeNames (0 = all members). Returns the run's
    // code: 0 for success.
    int RunUnzip(const QString& archivePath, const QString& targetFolder, int16_t promptOverwrite,
                 int16_t overwrite, int16_t listOnly, int16_t keepFolders, int32_t nameCount,
                 int32_t excludeCount);

    UnzipVariant variant() const { return m_variant; }
    // Listing-all variant: a failed run shows what went wrong in a message box. A caller
    // that reports the failure in its own words turns this off.
    bool reportFailures = true;
    // What went wrong in the last run (empty after a clean run).
    const QString& lastError() const { return m_lastError; }
    // The files the last extracting run wrote: targetFolder as passed + the file's name
    // (with its folders when keepFolders is 1). Empty when nothing was written.
    const QStringList& writtenFiles() const { return m_written; }

    // A member that claims (or turns out) to be bigger than this is not extracted.
    qint64 maxMemberSize = qint64(512) * 1024 * 1024;
    // What one extracting run may write in all, checked before it writes anything. The
    // largest archive the games ship (Quake III's pak0.pk3) unpacks to under 1 GiB, so 2 GiB
    // extracts any real archive whole while a hostile one cannot fill the disk.
    qint64 maxRunBytes = qint64(2) * 1024 * 1024 * 1024;

    // How a run asks its caller; the window answers with its own message boxes. Without
    // an answer a failed run says nothing, and an existing file is left (100).
    //
    // reportFailure: the explorer's report of a failed run, what went wrong and the run's
    // code after it. Only the listing-all variant reports, and only with reportFailures.
    std::function<void(const QString& text)> reportFailure;
    // askReplace: asked when an extracting run with promptOverwrite meets an existing file
    // (shown as the target folder + the member's path): 102 = overwrite it, 100 = leave
    // it, 104 = leave it and every later one.
    std::function<int(const QString& fileName)> askReplace;

    // Return codes of a run (the classic unzip codes).
    enum Code {
        Ok = 0,
        Warning = 1,      // some members were skipped; the rest went well
        Damaged = 2,      // a member's data is damaged
        BadArchive = 3,   // the archive's directory is inconsistent
        NoZip = 9,        // no such file, or not a zip archive
        NotFound = 11,    // none of the named members is in the archive
        DiskError = 50,   // a file could not be written
        Truncated = 51,   // the archive ends early
        Unsupported = 81, // compression method not supported
        Encrypted = 82,   // every member asked for is encrypted (no password is given)
    };

private:
    int finish(int code);
    int openFailure(const QString& archivePath, int openError);
    void addProblem(const QString& text);

    UnzipVariant m_variant;
    QString m_lastError;
    QStringList m_written;
    int m_problemCount = 0;
};

// Where a member named `name` lands below the target folder: "..", ".", empty parts and
// a leading drive letter are dropped and both separators count, so the result never
// points outside it. Only the file's name without keepFolders; empty when nothing is left.
QString safeRelativePath(const QString& name, bool keepFolders);

} // namespace fragdeck::archive
