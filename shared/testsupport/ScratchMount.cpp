#include "ScratchMount.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace fragdeck::test
{

ScratchMount::ScratchMount(qint64 sizeBytes)
{
    if (::geteuid() != 0) {
        m_why = QStringLiteral("mounting a scratch tmpfs needs root; this test runs as uid %1")
                    .arg(::geteuid());
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_why = QStringLiteral("mounting a scratch tmpfs failed: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

ScratchMount::~ScratchMount()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool ScratchMount::fill()
{
    const int fd = ::open(QFile::encodeName(filePath(QStringLiteral(".filler"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    bool full = false;
    // Big blocks first, then single bytes for whatever is left in the last page.
    for (qsizetype chunk : {qsizetype(4096), qsizetype(1)}) {
        for (;;) {
            const ssize_t n = ::write(fd, block.constData(), size_t(chunk));
            if (n < 0) {
                full = errno == ENOSPC;
                break;
            }
        }
    }
    ::close(fd);
    return full;
}

bool ScratchMount::makeReadOnly()
{
    return m_mounted && ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr,
                                MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
}

} // namespace fragdeck::test
