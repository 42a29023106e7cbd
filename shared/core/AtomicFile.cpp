#include "AtomicFile.h"

#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fragdeck
{
namespace
{

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool lockFile(int fd, int how)
{
    int rc;
    while ((rc = ::flock(fd, how)) != 0 && errno == EINTR) {
    }
    return rc == 0;
}

bool sameFile(int fd, const QByteArray& path)
{
    struct stat a, b;
    return ::fstat(fd, &a) == 0 && ::lstat(path.constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// Removes the temporaries of `name` in `folder` that no writer holds locked: a writer that
// was killed left them. One still being created is safe: its writer checks, once it holds
// the lock, that the name is still its file.
void removeStaleTemporaries(const QString& folder, const QString& name)
{
    const QRegularExpression pattern(
        QStringLiteral("^\\.%1\\.[0-9a-f]{12}\\.tmp$").arg(QRegularExpression::escape(name)));
    const QStringList found =
        QDir(folder).entryList({QLatin1Char('.') + name + QStringLiteral(".*.tmp")},
                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : found) {
        if (!pattern.match(entry).hasMatch())
            continue;
        const QByteArray path = encoded(folder + u'/' + entry);
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lockFile(fd, LOCK_EX | LOCK_NB) &&
            sameFile(fd, path))
            ::unlink(path.constData());
        ::close(fd);
    }
}

} // namespace

AtomicFile::AtomicFile(const QString& path, Links links) : m_path(path), m_links(links)
{
    m_target = toLocalPath(path);
    const QFileInfo fi(m_target);
    if (m_links == Links::Follow && fi.isSymLink()) {
        const QString real = fi.canonicalFilePath();
        m_target = real.isEmpty() ? fi.symLinkTarget() : real;
    }
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(const QString& path, int errorNumber)
{
    m_error = QStringLiteral("Cannot write %1: %2")
                  .arg(path, QString::fromLocal8Bit(std::strerror(errorNumber)));
    discard();
    return false;
}

bool AtomicFile::open()
{
    discard();
    m_error.clear();
    const QByteArray target = encoded(m_target);
    struct stat st;
    mode_t mode = 0666;
    bool existed = false;
    if (::lstat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(m_path, EISDIR);
        if (S_ISREG(st.st_mode)) {
            // A player who made the file read-only meant it: the rename would get past that.
            if (::access(target.constData(), W_OK) != 0)
                return fail(m_path, errno);
            mode = st.st_mode & 07777;
            existed = true;
        }
    } else if (errno != ENOENT) {
        return fail(m_path, errno);
    }
    const qsizetype slash = m_target.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : m_target.left(slash);
    const QString name = m_target.mid(slash + 1);
    removeStaleTemporaries(folder, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = QStringLiteral("%1/.%2.%3.tmp")
                                 .arg(folder, name)
                                 .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffull,
                                      12, 16, QLatin1Char('0'));
        const int fd = ::open(encoded(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              existed ? 0600 : 0666);
        if (fd >= 0) {
            // Another writer's sweep may have taken the file between its creation and the
            // lock: then the name is no longer this file, and another name is tried.
            if (!lockFile(fd, LOCK_EX) || !sameFile(fd, encoded(temp))) {
                ::close(fd);
                continue;
            }
            m_fd = fd;
            m_lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            m_temp = temp;
            // The new file keeps the old one's permissions unless told otherwise.
            if (m_mode >= 0)
                (void)::fchmod(fd, mode_t(m_mode));
            else if (existed)
                (void)::fchmod(fd, mode);
            return true;
        }
        if (errno != EEXIST)
            return fail(m_path, errno);
    }
    return fail(m_path, EEXIST);
}

bool AtomicFile::write(const char* data, qint64 size)
{
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Cannot write %1: the file is not open").arg(m_path);
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(m_path, errno);
        }
        if (n == 0)
            return fail(m_path, EIO);
        data += n;
        size -= n;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Cannot write %1: the file is not open").arg(m_path);
        return false;
    }
    // A full disk may only show at the flush: every step is checked before the rename.
    if (::fsync(m_fd) != 0)
        return fail(m_path, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(m_path, errno);
    if (::rename(encoded(m_temp).constData(), encoded(m_target).constData()) != 0)
        return fail(m_path, errno);
    m_temp.clear();
    closeLock();
    // Make the rename itself durable; the new content is in place either way.
    const qsizetype slash = m_target.lastIndexOf(u'/');
    const QByteArray folder = encoded(slash <= 0 ? QStringLiteral("/") : m_target.left(slash));
    const int dir =
        ::open(slash < 0 ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(encoded(m_temp).constData());
        m_temp.clear();
    }
    closeLock();
}

void AtomicFile::closeLock()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

bool writeFileAtomic(const QString& path, const QByteArray& bytes, QString* error)
{
    AtomicFile f(path);
    if (f.open() && f.write(bytes) && f.commit())
        return true;
    if (error)
        *error = f.errorString();
    return false;
}

} // namespace fragdeck
