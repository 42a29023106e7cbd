#pragma once
// The one writer of every file the suite replaces: a file is replaced whole or not at all.
//
// Bytes go to a new temporary file beside the target. commit() checks every write, the
// fsync and the close, then renames the temporary file over the target. On any failure the
// previous file is left byte for byte, the temporary file is removed, and errorString()
// names the file and gives the system's reason ("No space left on device").
//
// The writer holds an flock on its temporary file until the rename. Temporaries of the same
// target that nobody holds were left by a killed writer; open() removes them.
#include <QByteArray>
#include <QString>

namespace fragdeck
{

class AtomicFile
{
public:
    enum class Links {
        Follow,  // a link at the path is kept and the file it points to is replaced
        Replace, // a link at the path is itself replaced (nothing is written through it)
    };
    explicit AtomicFile(const QString& path, Links links = Links::Follow);
    ~AtomicFile(); // an uncommitted temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. An existing target that may not be written is refused
    // here, so a file a player made read-only stays as it is.
    bool open();
    // Permissions for the new file instead of the old file's (or the umask's); before open().
    void setMode(int mode) { m_mode = mode; }
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Makes the written bytes the file's content. False (and the old file kept) on failure.
    bool commit();
    // Removes the temporary file; the target is untouched.
    void discard();

    const QString& errorString() const { return m_error; }
    // The path the bytes will land at (the link's target with Links::Follow).
    const QString& targetPath() const { return m_target; }

private:
    bool fail(const QString& path, int errorNumber);
    void closeLock();

    QString m_path;
    QString m_target;
    QString m_temp;
    Links m_links;
    int m_fd = -1;
    int m_lockFd = -1; // a second handle on the temporary, keeping its lock past the close
    int m_mode = -1;
    QString m_error;
};

// Replaces the file whole with `bytes` through AtomicFile (links are followed). On failure
// returns false with a message a user can act on; the file is then as it was.
bool writeFileAtomic(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace fragdeck
