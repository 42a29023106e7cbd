#include "Settings.h"

#include "core/Failure.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fragdeck
{
namespace
{

bool isCorruption(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Every process holds this lock shared while it uses the store, and exclusively while it
// moves a corrupt store aside, so no process ever discards a store that another has just
// made, nor writes into one that was moved away under it.
class StoreLock
{
public:
    ~StoreLock() { close(); }
    void openFor(const QString& storePath)
    {
        close();
        const QByteArray path = QFile::encodeName(storePath + QStringLiteral(".lock"));
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        // A read-only folder: nothing can be moved aside there, so nothing to guard.
        if (m_fd < 0)
            m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    void lock(int how)
    {
        if (m_fd >= 0)
            while (::flock(m_fd, how) != 0 && errno == EINTR) {
            }
    }
    void unlock()
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_UN);
    }
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

class Store
{
public:
    ~Store() { close(); }

    QString get(const QString& app, const QString& section, const QString& key, const QString& def)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Guard guard(*this);
            if (!ensureOpen())
                return def;
            sqlite3_stmt* st = m_select;
            bind(st, app, section, key);
            const int rc = sqlite3_step(st);
            QString value = def;
            if (rc == SQLITE_ROW) {
                const auto* text = static_cast<const char*>(sqlite3_column_blob(st, 0));
                value = QString::fromUtf8(text, sqlite3_column_bytes(st, 0));
            }
            sqlite3_reset(st);
            // Busy past the time-out, locked, a full disk: the default, and nothing lost.
            if (!isCorruption(rc) || attempt > 0)
                return value;
            m_corrupt = true;
        }
        return def;
    }

    bool save(const QString& app, const QString& section, const QString& key, const QString& value,
              QString* error)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Guard guard(*this);
            if (!ensureOpen())
                return fail(error, m_openError);
            if (m_readOnly)
                return fail(error, QStringLiteral("The settings store %1 is read-only.")
                                       .arg(settings::storePath()));
            int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) {
                bind(m_upsert, app, section, key);
                const QByteArray v = value.toUtf8();
                sqlite3_bind_text(m_upsert, 4, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                rc = sqlite3_step(m_upsert);
                if (rc == SQLITE_DONE)
                    rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
            }
            if (rc == SQLITE_OK) {
                sqlite3_reset(m_upsert);
                return true;
            }
            const QString why = QStringLiteral("The settings store %1 could not be written: %2")
                                    .arg(settings::storePath(), message(rc));
            sqlite3_reset(m_upsert);
            if (!sqlite3_get_autocommit(m_db))
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            if (!isCorruption(rc) || attempt > 0)
                return fail(error, why);
            m_corrupt = true;
        }
        return false;
    }

    void close()
    {
        if (m_select)
            sqlite3_finalize(m_select);
        if (m_upsert)
            sqlite3_finalize(m_upsert);
        if (m_db)
            sqlite3_close(m_db);
        m_select = m_upsert = nullptr;
        m_db = nullptr;
        m_path.clear();
        m_readOnly = false;
    }

    void forget()
    {
        close();
        m_lock.close();
        m_lockPath.clear();
        m_corrupt = false;
    }

private:
    // Holds the store lock shared for one operation.
    class Guard
    {
    public:
        explicit Guard(Store& s) : m_store(s)
        {
            m_store.lockFor(settings::storePath());
            m_store.m_lock.lock(LOCK_SH);
        }
        ~Guard() { m_store.m_lock.unlock(); }

    private:
        Store& m_store;
    };

    QString message(int rc) const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                    : QString::fromUtf8(sqlite3_errstr(rc));
    }

    void lockFor(const QString& path)
    {
        if (path == m_lockPath)
            return;
        QDir().mkpath(QFileInfo(path).absolutePath());
        m_lock.openFor(path);
        m_lockPath = path;
    }

    static bool sameFile(const QString& path, dev_t dev, ino_t ino)
    {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && st.st_dev == dev &&
               st.st_ino == ino;
    }

    static void bind(sqlite3_stmt* st, const QString& app, const QString& section,
                     const QString& key)
    {
        const QByteArray a = app.toUtf8(), s = section.toUtf8(), k = key.toUtf8();
        sqlite3_bind_text(st, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, k.constData(), int(k.size()), SQLITE_TRANSIENT);
    }

    // Called with the shared lock held. A store found corrupt is dealt with first.
    bool ensureOpen()
    {
        const QString path = settings::storePath();
        // The file at the path may have been replaced by another process since it was
        // opened here: a connection to the old one would read and write a discarded store.
        if (!m_corrupt && m_db && path == m_path && sameFile(path, m_dev, m_ino))
            return true;
        close();
        if (!m_corrupt) {
            const int rc = openAt(path);
            if (rc == SQLITE_OK)
                return true;
            close();
            if (!isCorruption(rc))
                return false;
        }
        m_corrupt = false;
        m_lock.unlock();
        replaceCorrupt(path);
        m_lock.lock(LOCK_SH);
        if (openAt(path) == SQLITE_OK)
            return true;
        close();
        return false;
    }

    // Opens the store read-write, or read-only where it cannot be written (a read-only
    // file or folder, a full disk). Returns the SQLite result; m_openError says why.
    int openAt(const QString& path)
    {
        int rc = openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, false);
        if (rc == SQLITE_OK || isCorruption(rc) || (rc & 0xff) == SQLITE_BUSY ||
            (rc & 0xff) == SQLITE_LOCKED || !QFile::exists(path))
            return rc;
        close();
        // When no way of reading works either, why it could not be written is what tells
        // the user most (a full disk, not a table the full disk kept from being made).
        const QString writeError = m_openError;
        rc = openWith(path, SQLITE_OPEN_READONLY, false);
        if (rc == SQLITE_OK || isCorruption(rc))
            return rc;
        close();
        // A store in WAL mode in a folder where its -shm file cannot be made: read it as it
        // stands on disk.
        rc = openWith(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, true);
        if (rc != SQLITE_OK && !isCorruption(rc))
            m_openError = writeError;
        return rc;
    }

    int openWith(const QString& path, int flags, bool immutable)
    {
        QByteArray name = QFile::encodeName(path);
        if (immutable)
            name = QUrl::fromLocalFile(path).toEncoded() + "?immutable=1";
        int rc = sqlite3_open_v2(name.constData(), &m_db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc != SQLITE_OK)
            return noteOpenError(path, rc);
        sqlite3_busy_timeout(m_db, settings::busyTimeoutMs);
        const bool writable = (flags & SQLITE_OPEN_READWRITE) && !sqlite3_db_readonly(m_db, "main");
        if (writable) {
            // Closing never deletes the -wal file by name: after a corrupt store is moved
            // aside, that name belongs to the new store.
            int persist = 1;
            sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            // WAL keeps readers and the many concurrent registration writers apart; NORMAL
            // sync is durable across a crash of the program, which is what matters here.
            // Switching a store still in the older journal mode answers BUSY at once, without
            // the busy handler, while another process uses it (several first starts at
            // once, a 0-byte file): it is tried again until the busy time-out is spent.
            QElapsedTimer waited;
            waited.start();
            for (int pause = 1;; pause = std::min(pause * 2, 50)) {
                rc = sqlite3_exec(m_db,
                                  "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                                  "PRAGMA journal_size_limit=0;"
                                  "CREATE TABLE IF NOT EXISTS settings ("
                                  " application TEXT NOT NULL COLLATE NOCASE,"
                                  " section TEXT NOT NULL COLLATE NOCASE,"
                                  " key TEXT NOT NULL COLLATE NOCASE,"
                                  " value TEXT NOT NULL,"
                                  " PRIMARY KEY (application, section, key)) WITHOUT ROWID;",
                                  nullptr, nullptr, nullptr);
                if (((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED) ||
                    waited.elapsed() >= settings::busyTimeoutMs)
                    break;
                ::usleep(useconds_t(pause) * 1000);
            }
            // A full disk or a read-only file found only now: the table may still be there.
            if (rc != SQLITE_OK && !isCorruption(rc) && (rc & 0xff) != SQLITE_BUSY &&
                (rc & 0xff) != SQLITE_LOCKED)
                rc = SQLITE_READONLY;
            if (rc != SQLITE_OK)
                return noteOpenError(path, rc);
        }
        rc = prepare();
        if (rc != SQLITE_OK)
            return noteOpenError(path, rc);
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return noteOpenError(path, SQLITE_CANTOPEN);
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_path = path;
        m_readOnly = !writable;
        return SQLITE_OK;
    }

    int noteOpenError(const QString& path, int rc)
    {
        const int extended = m_db ? sqlite3_extended_errcode(m_db) : rc;
        m_openError =
            QStringLiteral("The settings store %1 could not be opened: %2").arg(path, message(rc));
        return isCorruption(extended) ? extended : rc;
    }

    int prepare()
    {
        int rc = sqlite3_prepare_v3(m_db,
                                    "SELECT value FROM settings WHERE application=?1 AND "
                                    "section=?2 AND key=?3",
                                    -1, SQLITE_PREPARE_PERSISTENT, &m_select, nullptr);
        if (rc != SQLITE_OK)
            return rc;
        return sqlite3_prepare_v3(m_db,
                                  "INSERT INTO settings(application, section, key, value) "
                                  "VALUES(?1,?2,?3,?4) ON CONFLICT(application, section, key) "
                                  "DO UPDATE SET value=excluded.value",
                                  -1, SQLITE_PREPARE_PERSISTENT, &m_upsert, nullptr);
    }

    // Under the exclusive lock: looks again, and moves the store aside only when SQLite
    // still finds it corrupt (another process may have replaced it already).
    void replaceCorrupt(const QString& path)
    {
        m_lock.lock(LOCK_EX);
        sqlite3* db = nullptr;
        bool corrupt = false;
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, settings::busyTimeoutMs);
            sqlite3_stmt* st = nullptr;
            rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
            if (rc == SQLITE_OK) {
                rc = sqlite3_step(st);
                corrupt =
                    isCorruption(rc) ||
                    (rc == SQLITE_ROW &&
                     qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") != 0);
            } else {
                corrupt = isCorruption(sqlite3_extended_errcode(db));
            }
            sqlite3_finalize(st);
        } else {
            corrupt = isCorruption(rc);
        }
        // Persist the WAL here too: this connection must not delete by name either.
        if (db) {
            int persist = 1;
            sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            sqlite3_close(db);
        }
        if (corrupt && QFile::exists(path)) {
            const QString aside =
                path + QStringLiteral(".broken-") +
                QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
            if (QFile::rename(path, aside)) {
                for (const char* suffix : {"-wal", "-shm"})
                    QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
            }
        }
        m_lock.unlock();
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_select = nullptr;
    sqlite3_stmt* m_upsert = nullptr;
    QString m_path;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    bool m_readOnly = false;
    bool m_corrupt = false; // found corrupt by a statement; replaced at the next open
    QString m_openError;
    StoreLock m_lock;
    QString m_lockPath;
};

Store& store()
{
    static Store s;
    return s;
}

} // namespace

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    return store().get(application, section, key, defaultValue);
}

bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value, QString* error)
{
    return store().save(application, section, key, value, error);
}

namespace settings
{

int busyTimeoutMs = 10000;

QString storePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/fragdeck/settings.db");
}

void reset()
{
    store().forget();
}

} // namespace settings
} // namespace fragdeck
