#pragma once
// The per-user settings store: application -> section -> key -> text value.
// Names compare without regard to case; an absent key reads as the caller's default;
// reading never creates anything; every read goes to the store (no caching), so a value
// saved by one deliverable or process is seen by the next read anywhere.
//
// Errors never cost the user's settings: a busy, locked, read-only or full store gives
// defaults for reads and failed writes, and only a store SQLite reports as corrupt is
// moved aside (as settings.db.broken-<time>) for a fresh one, once, by one process.
#include <QString>

namespace fragdeck
{

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// False, with the reason in *error, when the value could not be stored (a read-only or
// full store, a lock held past the busy time-out). Most callers have nothing to tell.
bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value, QString* error = nullptr);

namespace settings
{
// The store file: $XDG_CONFIG_HOME/fragdeck/settings.db (default ~/.config).
QString storePath();
// Closes the open connection; the next call opens the store again (tests point
// XDG_CONFIG_HOME elsewhere between cases).
void reset();
// How long an operation waits for another program's lock before it gives up.
extern int busyTimeoutMs;
} // namespace settings

} // namespace fragdeck
