#pragma once
// The browser's address book: one server address per line, in list order.
#include <QString>
#include <QStringList>

namespace fragdeck
{

struct AddressBook {
    QStringList entries; // trimmed, without blank lines
    QString lastLine;    // the file's last line, trimmed (empty when it was blank)
    bool read = false;   // false when the file is missing or unreadable
    bool exists = false; // the file is there (even when it could not be read)
    QString error;

    static AddressBook load(const QString& path);
    // Replaces the file atomically with one CR LF line per entry.
    static bool save(const QString& path, const QStringList& entries, QString* error = nullptr);
};

} // namespace fragdeck
