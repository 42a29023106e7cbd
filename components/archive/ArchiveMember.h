#pragma once
// Reads members of a pk3 (zip) archive into memory, never more than the caller allows:
// for a file that is read in place (a demo) rather than extracted to disk.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>

namespace fragdeck::archive
{

// libzip's own words for one of its error codes.
QString libzipMessage(int code);

class ArchiveMembers
{
public:
    // Opens the archive once for any number of reads; error() says why it did not open.
    explicit ArchiveMembers(const QString& archivePath);
    ~ArchiveMembers();
    ArchiveMembers(const ArchiveMembers&) = delete;
    ArchiveMembers& operator=(const ArchiveMembers&) = delete;

    bool isOpen() const;
    const QString& error() const { return m_error; }

    struct Member {
        QByteArray data;
        bool whole = false; // the member ends within the bytes read
        QDateTime modified; // the member's time stamp, invalid when the archive has none
    };
    // The member named exactly as stored (else the only one that matches in another
    // case). With `startOnly` the first `limit` bytes are enough; otherwise a member
    // bigger than `limit` is refused. Damaged, encrypted or missing members fail; the time
    // stamp is filled whenever the member's entry could be read.
    bool read(const QString& member, qint64 limit, bool startOnly, Member* out,
              QString* error = nullptr);

private:
    struct Zip;
    std::unique_ptr<Zip> m_zip;
    QString m_path;
    QString m_error;
};

// One member, whole, of at most `limit` bytes.
bool readArchiveMember(const QString& archivePath, const QString& member, qint64 limit,
                       ArchiveMembers::Member* out, QString* error = nullptr);

} // namespace fragdeck::archive
