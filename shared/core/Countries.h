#pragma once
// Where a server is: the country of an address, from a libloc location database
// ("location.db", as Debian's libloc-database installs it). The lookup is local: nothing
// leaves the machine. Every address is looked up once; its answer is kept.
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <memory>

struct loc_ctx;
struct loc_database;

namespace fragdeck
{

class CountryDatabase
{
public:
    // Opens the database at `path`; a missing or unreadable one leaves every lookup empty
    // and error() saying why.
    explicit CountryDatabase(const QString& path);
    ~CountryDatabase();
    CountryDatabase(const CountryDatabase&) = delete;
    CountryDatabase& operator=(const CountryDatabase&) = delete;

    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }
    const QString& error() const { return m_error; }
    QDateTime createdAt() const; // when the database was made; invalid when not open
    QString vendor() const;

    // The ISO 3166 alpha-2 code ("DE") of the address's country; empty for an address the
    // database has no country for (loopback, LAN, an anonymous proxy, unknown).
    QString countryOf(const QHostAddress& address) const;
    // The country's English name ("Germany"); the code itself when the database has none.
    QString countryName(const QString& code) const;

    // The database of the setting "LocationDatabase" (application "Fragdeck", section
    // "Options"), default defaultPath(); opened at the first call and again when the
    // setting names another since (each one opened stays open).
    static const CountryDatabase& shared();
    static QString defaultPath();
    static QString configuredPath();

private:
    QString m_path;
    QString m_error;
    loc_ctx* m_ctx = nullptr;
    loc_database* m_db = nullptr;
    mutable QHash<QHostAddress, QString> m_countries;
    mutable QHash<QString, QString> m_names;
};

} // namespace fragdeck
