#pragma once
// The per-user settings store: application -> section -> key -> text value.
// Names compare without regard to case; an absent key reads as the caller's default;
// reading never creates anything; every read goes to the store (no caching), so a value
// saved by one deliverable or process is seen by the next read anywhere.
#include <QString>

namespace fragdeck {

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// Failures to write are not reported (the callers never report them).
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

namespace settings {
// The store file: $XDG_CONFIG_HOME/fragdeck/settings.db (default ~/.config).
QString storePath();
// Closes the open connection; the next call opens the store again (tests point
// XDG_CONFIG_HOME elsewhere between cases).
void reset();
} // namespace settings

} // namespace fragdeck
