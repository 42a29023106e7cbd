#include "Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <sqlite3.h>

namespace fragdeck {
namespace {

class Store {
public:
    ~Store() { close(); }

    QString get(const QString& app, const QString& section, const QString& key, const QString& def)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!open())
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
            if (rc == SQLITE_ROW || rc == SQLITE_DONE)
                return value;
            if (!recoverFrom(rc))
                return def;
        }
        return def;
    }

    void save(const QString& app, const QString& section, const QString& key, const QString& value)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!open())
                return;
            int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) {
                bind(m_upsert, app, section, key);
                const QByteArray v = value.toUtf8();
                sqlite3_bind_text(m_upsert, 4, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                rc = sqlite3_step(m_upsert);
                sqlite3_reset(m_upsert);
                if (rc == SQLITE_DONE)
                    rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
                else
                    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
            if (rc == SQLITE_OK || !recoverFrom(rc))
                return;
        }
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
    }

private:
    static void bind(sqlite3_stmt* st, const QString& app, const QString& section, const QString& key)
    {
        const QByteArray a = app.toUtf8(), s = section.toUtf8(), k = key.toUtf8();
        sqlite3_bind_text(st, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, k.constData(), int(k.size()), SQLITE_TRANSIENT);
    }

    bool open()
    {
        const QString path = settings::storePath();
        if (m_db && path == m_path)
            return true;
        close();
        QDir().mkpath(QFileInfo(path).absolutePath());
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (tryOpen(path))
                return true;
            close();
            moveAside(path);
        }
        return false;
    }

    bool tryOpen(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                            nullptr) != SQLITE_OK)
            return false;
        sqlite3_busy_timeout(m_db, 10000);
        // WAL keeps readers and the many concurrent registration writers apart; NORMAL
        // sync is durable across a crash of the program, which is what matters here.
        if (sqlite3_exec(m_db,
                         "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                         "CREATE TABLE IF NOT EXISTS settings ("
                         " application TEXT NOT NULL COLLATE NOCASE,"
                         " section TEXT NOT NULL COLLATE NOCASE,"
                         " key TEXT NOT NULL COLLATE NOCASE,"
                         " value TEXT NOT NULL,"
                         " PRIMARY KEY (application, section, key)) WITHOUT ROWID;",
                         nullptr, nullptr, nullptr) != SQLITE_OK) {
            // A busy store is not a corrupt one: retry once after the busy timeout.
            if (sqlite3_errcode(m_db) == SQLITE_BUSY || sqlite3_errcode(m_db) == SQLITE_LOCKED)
                return sqlite3_exec(m_db, "SELECT 1 FROM settings LIMIT 1", nullptr, nullptr,
                                    nullptr) == SQLITE_OK &&
                       prepare(path);
            return false;
        }
        return prepare(path);
    }

    bool prepare(const QString& path)
    {
        if (sqlite3_prepare_v3(m_db,
                               "SELECT value FROM settings WHERE application=?1 AND section=?2 "
                               "AND key=?3",
                               -1, SQLITE_PREPARE_PERSISTENT, &m_select, nullptr) != SQLITE_OK)
            return false;
        if (sqlite3_prepare_v3(m_db,
                               "INSERT INTO settings(application, section, key, value) "
                               "VALUES(?1,?2,?3,?4) ON CONFLICT(application, section, key) "
                               "DO UPDATE SET value=excluded.value",
                               -1, SQLITE_PREPARE_PERSISTENT, &m_upsert, nullptr) != SQLITE_OK)
            return false;
        m_path = path;
        return true;
    }

    // A damaged store is moved aside and a fresh one started, so no deliverable fails on it.
    bool recoverFrom(int rc)
    {
        const int primary = rc & 0xff;
        if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB)
            return false;
        const QString path = m_path.isEmpty() ? settings::storePath() : m_path;
        close();
        moveAside(path);
        return true;
    }

    static void moveAside(const QString& path)
    {
        if (!QFile::exists(path))
            return;
        const QString aside =
            path + QStringLiteral(".broken-") +
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
        QFile::rename(path, aside);
        for (const char* suffix : {"-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_select = nullptr;
    sqlite3_stmt* m_upsert = nullptr;
    QString m_path;
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

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value)
{
    store().save(application, section, key, value);
}

namespace settings {

QString storePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/fragdeck/settings.db");
}

void reset()
{
    store().close();
}

} // namespace settings
} // namespace fragdeck
