#include "ArchiveMember.h"

#include "core/Failure.h"
#include "core/Paths.h"

#include <QFile>
#include <zip.h>

namespace fragdeck::archive
{
QString libzipMessage(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

namespace
{

struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

} // namespace

struct ArchiveMembers::Zip {
    zip_t* handle = nullptr;
    ~Zip()
    {
        if (handle)
            zip_discard(handle); // opened read-only: nothing to write back
    }
};

ArchiveMembers::ArchiveMembers(const QString& archivePath)
    : m_zip(std::make_unique<Zip>()), m_path(archivePath)
{
    int code = 0;
    m_zip->handle =
        zip_open(QFile::encodeName(toLocalPath(archivePath)).constData(), ZIP_RDONLY, &code);
    if (!m_zip->handle)
        m_error = QStringLiteral("%1 cannot be read as an archive: %2")
                      .arg(archivePath, libzipMessage(code));
}

ArchiveMembers::~ArchiveMembers() = default;

bool ArchiveMembers::isOpen() const
{
    return m_zip->handle != nullptr;
}

bool ArchiveMembers::read(const QString& member, qint64 limit, bool startOnly, Member* out,
                          QString* error)
{
    Member& r = *out;
    r = {};
    if (!isOpen())
        return fail(error, m_error);
    // Member names are single bytes, one byte making one character.
    const QByteArray name = member.toLatin1();
    zip_int64_t index = zip_name_locate(m_zip->handle, name.constData(), ZIP_FL_ENC_RAW);
    if (index < 0)
        index = zip_name_locate(m_zip->handle, name.constData(), ZIP_FL_ENC_RAW | ZIP_FL_NOCASE);
    if (index < 0) {
        return fail(error, QStringLiteral("%1 holds no member %2").arg(m_path, member));
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip->handle, zip_uint64_t(index), ZIP_FL_ENC_RAW, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE)) {
        return fail(
            error,
            QStringLiteral("%1 in %2 cannot be read: its entry is damaged").arg(member, m_path));
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        return fail(error, QStringLiteral("%1 in %2 is encrypted").arg(member, m_path));
    }
    if (st.valid & ZIP_STAT_MTIME)
        r.modified = QDateTime::fromSecsSinceEpoch(qint64(st.mtime));
    const qint64 size = st.size > zip_uint64_t(std::numeric_limits<qint64>::max())
                            ? std::numeric_limits<qint64>::max()
                            : qint64(st.size);
    if (!startOnly && size > limit) {
        return fail(error, QStringLiteral("%1 in %2 is %3 bytes, more than the %4 bytes allowed")
                               .arg(member, m_path)
                               .arg(size)
                               .arg(limit));
    }
    const qint64 wanted = std::min(size, std::max<qint64>(limit, 0));
    std::unique_ptr<zip_file_t, FileCloser> in(
        zip_fopen_index(m_zip->handle, zip_uint64_t(index), 0));
    if (!in) {
        return fail(error,
                    QStringLiteral("%1 in %2 cannot be read: %3")
                        .arg(member, m_path, libzipMessage(zip_get_error(m_zip->handle)->zip_err)));
    }
    r.data.resize(wanted);
    qint64 got = 0;
    while (got < wanted) {
        const zip_int64_t n = zip_fread(in.get(), r.data.data() + got, zip_uint64_t(wanted - got));
        if (n < 0) {
            r.data.clear();
            return fail(error, QStringLiteral("%1 in %2 is damaged: %3")
                                   .arg(member, m_path,
                                        QString::fromLocal8Bit(zip_file_strerror(in.get()))));
        }
        if (n == 0)
            break;
        got += n;
    }
    r.data.truncate(got);
    if (got < wanted) {
        r.data.clear();
        return fail(
            error,
            QStringLiteral("%1 in %2 ends early: the archive is damaged").arg(member, m_path));
    }
    r.whole = got >= size;
    return true;
}

bool readArchiveMember(const QString& archivePath, const QString& member, qint64 limit,
                       ArchiveMembers::Member* out, QString* error)
{
    ArchiveMembers archive(archivePath);
    return archive.read(member, limit, false, out, error);
}

} // namespace fragdeck::archive
