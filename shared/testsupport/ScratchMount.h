#pragma once
// A small tmpfs mounted for the object's lifetime: a real file system that a test can fill
// to the last byte or make read-only, so write failures are proved on the real thing.
// Only root may mount; elsewhere mounted() is false and why() says so for QSKIP.
#include <QString>
#include <QTemporaryDir>

namespace fragdeck::test
{

class ScratchMount
{
public:
    explicit ScratchMount(qint64 sizeBytes = 4 * 1024 * 1024);
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool mounted() const { return m_mounted; }
    const QString& why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Writes a filler file until not one more byte fits. False when the disk did not fill.
    bool fill();
    // Remounts the file system read-only; even root cannot write to it then.
    bool makeReadOnly();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};

} // namespace fragdeck::test
