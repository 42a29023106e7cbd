#include "ArchiveMember.h"

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

ArchiveMembers::Read ArchiveMembers::read(const QString& member, qint64 limit, bool startOnly)
{
    Read r;
    if (!isOpen()) {
        r.error = m_error;
        return r;
    }
    // Member names are single bytes, one byte making one character.
    const QByteArray name = member.toLatin1();
    zip_int64_t index = zip_name_locate(m_zip->handle, name.constData(), ZIP_FL_ENC_RAW);
    if (index < 0)
        index = zip_name_locate(m_zip->handle, name.constData(), ZIP_FL_ENC_RAW | ZIP_FL_NOCASE);
    if (index < 0) {
        r.error = QStringLiteral("%1 holds no member %2").arg(m_path, member);
        return r;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip->handle, zip_uint64_t(index), ZIP_FL_ENC_RAW, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE)) {
        r.error =
            QStringLiteral("%1 in %2 cannot be read: its entry is damaged").arg(member, m_path);
        return r;
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        r.error = QStringLiteral("%1 in %2 is encrypted").arg(member, m_path);
        return r;
    }
    if (st.valid & ZIP_STAT_MTIME)
        r.modified = QDateTime::fromSecsSinceEpoch(qint64(st.mtime));
    const qint64 size = st.size > zip_uint64_t(std::numeric_limits<qint64>::max())
                            ? std::numeric_limits<qint64>::max()
                            : qint64(st.size);
    if (!startOnly && size > limit) {
        r.error = QStringLiteral("%1 in %2 is %3 bytes, more than the %4 bytes allowed")
                      .arg(member, m_path)
                      .arg(size)
                      .arg(limit);
        return r;
    }
    const qint64 wanted = std::min(size, std::max<qint64>(limit, 0));
    std::unique_ptr<zip_file_t, FileCloser> in(
        zip_fopen_index(m_zip->handle, zip_uint64_t(index), 0));
    if (!in) {
        r.error = QStringLiteral("%1 in %2 cannot be read: %3")
                      .arg(member, m_path, libzipMessage(zip_get_error(m_zip->handle)->zip_err));
        return r;
    }
    r.data.resize(wanted);
    qint64 got = 0;
    while (got < wanted) {
        const zip_int64_t n = zip_fread(in.get(), r.data.data() + got, zip_uint64_t(wanted - got));
        if (n < 0) {
            r.data.clear();
            r.error = QStringLiteral("%1 in %2 is damaged: %3")
                          .arg(member, m_path, QString::fromLocal8Bit(zip_file_strerror(in.get())));
            return r;
        }
        if (n == 0)
            break;
        got += n;
    }
    r.data.truncate(got);
    if (got < wanted) {
        r.data.clear();
        r.error = QStringLiteral("%1 in %2 ends early: the archive is damaged").arg(member, m_path);
        return r;
    }
    r.whole = got >= size;
    r.ok = true;
    return r;
}

ArchiveMembers::Read readArchiveMember(const QString& archivePath, const QString& member,
                                       qint64 limit)
{
    ArchiveMembers archive(archivePath);
    return archive.read(member, limit);
}

} // namespace fragdeck::archive
