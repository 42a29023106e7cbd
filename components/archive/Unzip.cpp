#include "Unzip.h"

#include "ArchiveMember.h"
#include "CentralDirectory.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "core/TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>
#include <memory>
#include <zip.h>

namespace fragdeck::archive
{
namespace
{

constexpr int kLineWidth = 80;
constexpr int kNameSlots = 100;
constexpr int kProblemLines = 10; // reasons listed in one report; the rest are counted

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); } // read-only: nothing to write back
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// An archive whose end record's count is stuck at 65,535 without zip64, as libzip reads
// it: with that count set to the directory's own count modulo 65,536, which libzip reads to
// the directory's end as it does a count that wrapped.
class CountPatchedArchive
{
public:
    CountPatchedArchive(const QString& path, const CentralDirectory& directory)
        : m_file(path), m_patchAt(directory.endRecordOffset() + 8)
    {
        const quint16 count = quint16(directory.size() & 0xffff);
        for (int i = 0; i < 2; ++i) // entries on this disk, then in all
            m_patch.append(char(count & 0xff)).append(char(count >> 8));
        zip_error_init(&m_error);
    }
    ~CountPatchedArchive() { zip_error_fini(&m_error); }

    // The archive opened through this source, or null with *openError set. The source
    // must outlive the archive.
    zip_t* open(int* openError)
    {
        if (!m_file.open(QIODevice::ReadOnly)) {
            *openError = ZIP_ER_OPEN;
            return nullptr;
        }
        zip_source_t* source =
            zip_source_function_create(&CountPatchedArchive::call, this, &m_error);
        zip_error_t error;
        zip_error_init(&error);
        zip_t* z = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
        *openError = source ? zip_error_code_zip(&error) : ZIP_ER_MEMORY;
        zip_error_fini(&error);
        if (!z && source)
            zip_source_free(source);
        return z;
    }

private:
    static zip_int64_t call(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
    {
        auto* a = static_cast<CountPatchedArchive*>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_READ: {
            if (!a->m_file.seek(a->m_pos))
                return a->fail(ZIP_ER_SEEK);
            const qint64 n = a->m_file.read(static_cast<char*>(data), qint64(len));
            if (n < 0)
                return a->fail(ZIP_ER_READ);
            for (qint64 i = 0; i < a->m_patch.size(); ++i) {
                const qint64 at = a->m_patchAt + i - a->m_pos;
                if (at >= 0 && at < n)
                    static_cast<char*>(data)[at] = a->m_patch[i];
            }
            a->m_pos += n;
            return n;
        }
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = zip_uint64_t(a->m_file.size());
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&a->m_error, data, len);
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t pos = zip_source_seek_compute_offset(
                zip_uint64_t(a->m_pos), zip_uint64_t(a->m_file.size()), data, len, &a->m_error);
            if (pos < 0)
                return -1;
            a->m_pos = pos;
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return a->m_pos;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                ZIP_SOURCE_SUPPORTS, -1);
        default:
            return a->fail(ZIP_ER_OPNOTSUPP);
        }
    }
    zip_int64_t fail(int code)
    {
        zip_error_set(&m_error, code, 0);
        return -1;
    }

    QFile m_file;
    qint64 m_patchAt;
    QByteArray m_patch;
    qint64 m_pos = 0;
    zip_error_t m_error;
};

bool isDriveSpec(const QString& part)
{
    return part.size() >= 2 && part[1] == u':' && part[0].isLetter();
}

// Makes the folders of `rel` below `root` one at a time, refusing any part that is a link
// or a file: a link planted in the target could otherwise lead folders outside it.
bool makeFolderInside(const QString& root, const QString& rel)
{
    QString at = root;
    for (const QString& part : rel.split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + part;
        const QFileInfo fi(at);
        if (fi.isSymLink())
            return false;
        if (fi.exists()) {
            if (!fi.isDir())
                return false;
            continue;
        }
        if (!QDir().mkdir(at))
            return false;
    }
    return true;
}

QString withSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder;
    return folder + u'/';
}

} // namespace

// Where a member may land below the target folder: "..", ".", empty parts and a leading
// drive letter are dropped, both separators count, so nothing can point outside it.
QString safeRelativePath(const QString& name, bool keepFolders)
{
    QString n = name;
    n.replace(u'\\', u'/');
    QStringList parts = n.split(u'/', Qt::SkipEmptyParts);
    while (!parts.isEmpty() && isDriveSpec(parts.first())) {
        parts.first().remove(0, 2);
        if (parts.first().isEmpty())
            parts.removeFirst();
    }
    QStringList kept;
    for (const QString& p : parts)
        if (p != QLatin1String(".") && p != QLatin1String(".."))
            kept.append(p);
    if (kept.isEmpty())
        return QString();
    return keepFolders ? kept.join(u'/') : kept.last();
}

int UnzipModule::openFailure(const QString& archivePath, int openError)
{
    int code = Damaged;
    QString why;
    switch (openError) {
    case ZIP_ER_NOZIP:
        code = NoZip;
        why = QStringLiteral("The file %1 is not a zip archive, or it is incomplete (its "
                             "directory at the end is missing).");
        break;
    case ZIP_ER_EOF:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        code = Truncated;
        why = QStringLiteral("The archive %1 ends early: it is truncated or damaged.");
        break;
    case ZIP_ER_INCONS:
        code = BadArchive;
        why = QStringLiteral("The archive %1 is damaged: its directory is inconsistent.");
        break;
    case ZIP_ER_OPEN:
        code = NoZip;
        why = QStringLiteral("The archive %1 cannot be opened.");
        break;
    default:
        why = QStringLiteral("The archive %1 cannot be read.");
        break;
    }
    addProblem(why.arg(archivePath) + QStringLiteral(" (") + libzipMessage(openError) + u')');
    return code;
}

UnzipModule::UnzipModule(UnzipVariant variant) : m_variant(variant)
{
    for (int i = 0; i < kNameSlots; ++i) {
        ExtractNames.append(QString());
        ExcludeNames.append(QString());
    }
}

void UnzipModule::addProblem(const QString& text)
{
    ++m_problemCount;
    if (m_problemCount > kProblemLines)
        return;
    if (!m_lastError.isEmpty())
        m_lastError += u'\n';
    m_lastError += text;
}

int UnzipModule::finish(int code)
{
    if (m_problemCount > kProblemLines)
        m_lastError += QStringLiteral("\n(and %1 more)").arg(m_problemCount - kProblemLines);
    // The explorer reports a failed run, what went wrong first and the run's code after it;
    // the prefix-filter variant is silent and leaves the reason in lastError().
    if (code != Ok && m_variant == UnzipVariant::ListingAll && reportFailures && reportFailure) {
        QString text =
            m_lastError.isEmpty() ? QStringLiteral("The archive could not be read.") : m_lastError;
        text += QStringLiteral("\n\n(unzip code %1)").arg(code);
        reportFailure(text);
    }
    return code;
}

int UnzipModule::RunUnzip(const QString& archivePath, const QString& targetFolder,
                          int16_t promptOverwrite, int16_t overwrite, int16_t listOnly,
                          int16_t keepFolders, int32_t nameCount, int32_t excludeCount)
{
    m_lastError.clear();
    m_written.clear();
    m_problemCount = 0;

    const QString path = toLocalPath(archivePath);
    const QFileInfo info(path);
    if (!info.isFile()) {
        addProblem(QStringLiteral("The archive %1 was not found.").arg(archivePath));
        return finish(NoZip);
    }
    if (info.size() == 0) {
        addProblem(
            QStringLiteral("The file %1 is empty: it is not a zip archive.").arg(archivePath));
        return finish(NoZip);
    }
    // Which members the run is about: the named ones (all when nameCount is 0), less the
    // excluded ones. A name the explorer shows trimmed still finds its member.
    QHash<QByteArray, int> wanted; // name -> times matched
    QSet<QByteArray> excluded;
    for (int i = 0; i < nameCount && i < ExtractNames.size(); ++i)
        if (!ExtractNames[i].isEmpty())
            wanted.insert(ExtractNames[i].toLatin1(), 0);
    for (int i = 0; i < excludeCount && i < ExcludeNames.size(); ++i)
        if (!ExcludeNames[i].isEmpty())
            excluded.insert(ExcludeNames[i].toLatin1());
    const bool all = nameCount <= 0;

    // Names come from the central directory for listing and extracting alike, so both
    // see the same members under the same names; libzip only reads their data. An archive
    // whose directory cannot be trusted is refused whole.
    CentralDirectory directory;
    if (!directory.read(path)) {
        if (!directory.inconsistency().isEmpty()) {
            addProblem(QStringLiteral("The archive %1 is damaged: %2.")
                           .arg(archivePath, directory.inconsistency()));
            return finish(BadArchive);
        }
        int openError = 0;
        std::unique_ptr<zip_t, ZipCloser> probe(
            zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &openError));
        if (probe)
            openError = ZIP_ER_INCONS;
        return finish(openFailure(archivePath, openError));
    }
    std::unique_ptr<CountPatchedArchive> patched;
    std::unique_ptr<zip_t, ZipCloser> zip;
    if (!listOnly) {
        int openError = 0;
        if (directory.countStuck()) {
            patched = std::make_unique<CountPatchedArchive>(path, directory);
            zip.reset(patched->open(&openError));
        } else {
            zip.reset(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &openError));
        }
        if (!zip)
            return finish(openFailure(archivePath, openError));
        if (zip_get_num_entries(zip.get(), 0) != zip_int64_t(directory.size())) {
            addProblem(QStringLiteral("The archive %1 is damaged: its directory is "
                                      "inconsistent.")
                           .arg(archivePath));
            return finish(BadArchive);
        }
    }

    const size_t entries = directory.size();
    auto nameAt = [&](size_t i) { return directory.name(i); };
    std::vector<size_t> selected;
    selected.reserve(all ? entries : size_t(wanted.size()));
    for (size_t i = 0; i < entries; ++i) {
        const QByteArrayView raw = nameAt(i);
        if (raw.isEmpty())
            continue;
        if (!excluded.isEmpty() && excluded.contains(raw.toByteArray()))
            continue;
        if (!all) {
            auto it = wanted.find(raw.toByteArray());
            if (it == wanted.end())
                continue;
            ++it.value();
        }
        selected.push_back(i);
    }
    if (!all) {
        QList<QByteArray> missed;
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            if (it.value() == 0)
                missed.append(it.key());
        if (!missed.isEmpty()) {
            for (size_t i = 0; i < entries; ++i) {
                const QByteArrayView raw = nameAt(i);
                if (!raw.isEmpty() &&
                    missed.contains(trimSpaces(QString::fromLatin1(raw)).toLatin1()) &&
                    !excluded.contains(raw.toByteArray()))
                    selected.push_back(i);
            }
            std::sort(selected.begin(), selected.end());
        }
    }

    if (listOnly) {
        if (MemberCount < 0)
            MemberCount = 0;
        while (MemberList.size() < MemberCount)
            MemberList.append(QString());
        MemberList.resize(MemberCount);
        MemberList.reserve(MemberCount + qsizetype(selected.size()));
        const bool filtered = m_variant == UnzipVariant::PrefixFilter;
        const QString filter = MemberFilter.toUpper();
        for (size_t i : selected) {
            const QString name = QString::fromLatin1(nameAt(i));
            if (!filtered) {
                MemberList.append(trimSpaces(name));
                ++MemberCount;
                continue;
            }
            // The prefix-filter listing line: the name in an 80-character line of spaces
            // (a longer name is kept whole).
            if (!name.left(filter.size()).toUpper().startsWith(filter))
                continue;
            QString line = name;
            if (line.size() < kLineWidth)
                line += QString(kLineWidth - line.size(), u' ');
            MemberList.append(line);
            ++MemberCount;
        }
        if (!all && selected.empty()) {
            addProblem(QStringLiteral("The archive %1 holds none of the members asked for.")
                           .arg(archivePath));
            return finish(NotFound);
        }
        return finish(Ok);
    }

    // Extracting.
    const QString target = toLocalPath(targetFolder);
    const QString shownTarget = withSeparator(targetFolder);
    if (!QDir().mkpath(target)) {
        addProblem(QStringLiteral("The folder %1 cannot be created.").arg(targetFolder));
        return finish(DiskError);
    }
    // One run writes at most what its members say they hold (a member never gets past
    // its own size), and that total is checked against the bound and the free space
    // before the first byte is written.
    quint64 total = 0;
    for (size_t i : selected)
        total += std::min<quint64>(directory.uncompressedSize(i), quint64(maxMemberSize) + 1);
    const qint64 available = QStorageInfo(target).bytesAvailable();
    if (total > quint64(maxRunBytes) || (available >= 0 && total > quint64(available))) {
        addProblem(QStringLiteral("Nothing was extracted: the members asked for unpack to %1 "
                                  "bytes, more than %2.")
                       .arg(total)
                       .arg(total > quint64(maxRunBytes)
                                ? QStringLiteral("the limit of %1 bytes for one extraction")
                                      .arg(maxRunBytes)
                                : QStringLiteral("the %1 bytes free in %2")
                                      .arg(available)
                                      .arg(targetFolder)));
        return finish(DiskError);
    }
    bool overwriteNone = false;
    int worst = Ok, encrypted = 0, files = 0;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (size_t i : selected) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip.get(), i, ZIP_FL_ENC_RAW, &st) != 0)
            continue;
        const QString name = QString::fromLatin1(nameAt(i));
        const QString rel = safeRelativePath(name, keepFolders != 0);
        if (name.endsWith(u'/') || name.endsWith(u'\\')) {
            if (keepFolders && !rel.isEmpty() && !makeFolderInside(target, rel)) {
                addProblem(QStringLiteral("Skipped %1: its folder is outside %2.")
                               .arg(name, targetFolder));
                worst = std::max(worst, int(Warning));
            }
            continue;
        }
        ++files;
        if (rel.isEmpty()) {
            addProblem(QStringLiteral("Skipped %1: the name has no file part.").arg(name));
            worst = std::max(worst, int(Warning));
            continue;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            // No password is ever given.
            addProblem(QStringLiteral("Skipped %1: it is encrypted.").arg(name));
            ++encrypted;
            continue;
        }
        const quint64 claimed = directory.uncompressedSize(i);
        if (claimed > quint64(std::max<qint64>(maxMemberSize, 0))) {
            addProblem(QStringLiteral("Skipped %1: it claims %2 bytes, more than the limit of %3.")
                           .arg(name)
                           .arg(claimed)
                           .arg(maxMemberSize));
            worst = std::max(worst, int(Warning));
            continue;
        }
        const qsizetype slash = rel.lastIndexOf(u'/');
        if (slash > 0 && !makeFolderInside(target, rel.left(slash))) {
            addProblem(
                QStringLiteral("Skipped %1: its folder is outside %2.").arg(name, targetFolder));
            worst = std::max(worst, int(Warning));
            continue;
        }
        const QString dest = target + u'/' + rel;
        const QFileInfo existing(dest);
        if (existing.exists() || existing.isSymLink()) {
            if (existing.isDir() && !existing.isSymLink()) {
                addProblem(
                    QStringLiteral("Skipped %1: a folder of that name is in the way.").arg(name));
                worst = std::max(worst, int(Warning));
                continue;
            }
            bool replace = overwrite != 0;
            if (!replace && promptOverwrite && !overwriteNone) {
                const int answer = askReplace ? askReplace(shownTarget + rel) : 100;
                replace = answer == 102;
                overwriteNone = answer == 104;
            }
            if (!replace)
                continue;
        }

        std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(zip.get(), i, 0));
        if (!in) {
            const int ze = zip_get_error(zip.get())->zip_err;
            addProblem(QStringLiteral("Skipped %1: %2.").arg(name, libzipMessage(ze)));
            worst = std::max(worst, ze == ZIP_ER_COMPNOTSUPP || ze == ZIP_ER_ENCRNOTSUPP
                                        ? int(Unsupported)
                                        : int(Damaged));
            continue;
        }
        // A link in the way is replaced, never written through.
        AtomicFile out(dest, AtomicFile::Links::Replace);
        if (!out.open()) {
            addProblem(out.errorString());
            worst = std::max(worst, int(DiskError));
            continue;
        }
        qint64 written = 0;
        bool failed = false;
        for (;;) {
            const zip_int64_t got = zip_fread(in.get(), buffer.data(), zip_uint64_t(buffer.size()));
            if (got < 0) {
                addProblem(QStringLiteral("%1 is damaged: %2.")
                               .arg(name, QString::fromLocal8Bit(zip_file_strerror(in.get()))));
                worst = std::max(worst, int(Damaged));
                failed = true;
                break;
            }
            if (got == 0)
                break;
            written += got;
            if (quint64(written) > claimed) {
                addProblem(
                    QStringLiteral("Stopped %1: it holds more data than it claims.").arg(name));
                worst = std::max(worst, int(Damaged));
                failed = true;
                break;
            }
            if (!out.write(buffer.constData(), got)) {
                addProblem(out.errorString());
                worst = std::max(worst, int(DiskError));
                failed = true;
                break;
            }
        }
        if (failed)
            continue; // the temporary file goes with `out`; an existing file stays
        if (!out.commit()) {
            addProblem(out.errorString());
            worst = std::max(worst, int(DiskError));
            continue;
        }
        if (st.valid & ZIP_STAT_MTIME) {
            QFile f(dest);
            if (f.open(QIODevice::ReadWrite))
                f.setFileTime(QDateTime::fromSecsSinceEpoch(st.mtime),
                              QFileDevice::FileModificationTime);
        }
        m_written.append(shownTarget + rel);
    }

    if (!all && selected.empty()) {
        addProblem(QStringLiteral("The archive %1 holds no member named %2.")
                       .arg(archivePath, ExtractNames.value(0)));
        return finish(NotFound);
    }
    if (encrypted > 0) {
        if (encrypted == files && m_written.isEmpty())
            worst = std::max(worst, int(Encrypted));
        else
            worst = std::max(worst, int(Warning));
    }
    return finish(worst);
}

} // namespace fragdeck::archive
