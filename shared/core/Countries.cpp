#include "Countries.h"

#include "core/Settings.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
// Only libloc.h declares its functions extern "C" itself.
extern "C" {
#include <libloc/country.h>
#include <libloc/database.h>
#include <libloc/libloc.h>
#include <libloc/network.h>
}
#include <vector>

namespace fragdeck
{

CountryDatabase::CountryDatabase(const QString& path) : m_path(path)
{
    if (path.isEmpty()) {
        m_error = QStringLiteral("No location database is set.");
        return;
    }
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "re");
    if (!f) {
        m_error = QStringLiteral("The location database %1 cannot be opened: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    if (loc_new(&m_ctx) != 0) {
        std::fclose(f);
        m_ctx = nullptr;
        m_error = QStringLiteral("The location library could not start.");
        return;
    }
    // libloc logs to stderr by default; a bad file is reported here instead.
    loc_set_log_priority(m_ctx, 0);
    const int r = loc_database_new(m_ctx, &m_db, f);
    std::fclose(f); // the database keeps its own mapping
    if (r != 0) {
        m_db = nullptr;
        m_error = QStringLiteral("%1 is not a location database libloc can read.").arg(path);
    }
}

CountryDatabase::~CountryDatabase()
{
    if (m_db)
        loc_database_unref(m_db);
    if (m_ctx)
        loc_unref(m_ctx);
}

QDateTime CountryDatabase::createdAt() const
{
    if (!m_db)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(qint64(loc_database_created_at(m_db)), Qt::UTC);
}

QString CountryDatabase::vendor() const
{
    const char* v = m_db ? loc_database_get_vendor(m_db) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

QString CountryDatabase::countryOf(const QHostAddress& address) const
{
    if (!m_db || address.isNull() || address.isLoopback())
        return QString();
    const auto found = m_countries.constFind(address);
    if (found != m_countries.constEnd())
        return *found;
    // libloc keys every address as IPv6; IPv4 ones are mapped (::ffff:a.b.c.d).
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    const Q_IPV6ADDR v6 = isV4 ? QHostAddress(v4).toIPv6Address() : address.toIPv6Address();
    in6_addr a{};
    static_assert(sizeof(a.s6_addr) == sizeof(v6.c));
    std::memcpy(a.s6_addr, v6.c, sizeof(a.s6_addr));
    if (isV4) {
        std::memset(a.s6_addr, 0, 10);
        a.s6_addr[10] = a.s6_addr[11] = 0xff;
        a.s6_addr[12] = quint8(v4 >> 24);
        a.s6_addr[13] = quint8(v4 >> 16);
        a.s6_addr[14] = quint8(v4 >> 8);
        a.s6_addr[15] = quint8(v4);
    }
    QString code;
    loc_network* network = nullptr;
    if (loc_database_lookup(m_db, &a, &network) == 0 && network) {
        const char* cc = loc_network_get_country_code(network);
        // "A1", "XD" and the like are kinds of network, not countries.
        if (cc && loc_country_code_is_valid(cc) && !loc_country_special_code_to_flag(cc))
            code = QString::fromLatin1(cc, 2).toUpper();
        loc_network_unref(network);
    }
    m_countries.insert(address, code);
    return code;
}

QString CountryDatabase::countryName(const QString& code) const
{
    if (!m_db || code.size() != 2)
        return code;
    const auto found = m_names.constFind(code);
    if (found != m_names.constEnd())
        return *found;
    QString name = code;
    loc_country* country = nullptr;
    if (loc_database_get_country(m_db, &country, code.toLatin1().constData()) == 0 && country) {
        const char* n = loc_country_get_name(country);
        if (n && *n)
            name = QString::fromUtf8(n);
        loc_country_unref(country);
    }
    m_names.insert(code, name);
    return name;
}

QString CountryDatabase::defaultPath()
{
    return QStringLiteral("/usr/share/libloc-location/location.db");
}

QString CountryDatabase::configuredPath()
{
    const QString set = GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                                   QStringLiteral("LocationDatabase"))
                            .trimmed();
    return set.isEmpty() ? defaultPath() : set;
}

const CountryDatabase& CountryDatabase::shared()
{
    // Tables hold on to the one they were given: a database once opened stays open.
    static std::vector<std::unique_ptr<CountryDatabase>> opened;
    const QString path = configuredPath();
    for (const auto& db : opened)
        if (db->path() == path)
            return *db;
    opened.push_back(std::make_unique<CountryDatabase>(path));
    return *opened.back();
}

} // namespace fragdeck
