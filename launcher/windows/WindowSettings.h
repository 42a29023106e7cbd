#pragma once
// Where the launcher's small windows fetch from: settings of application "Fragdeck",
// section "Options", with defaults, so a test or a mirror can point them elsewhere.
#include <QString>

namespace fragdeck::launcher
{

// "update server": host (or "host:port", or "http://host:port") serving "/lversion.dat".
QString updateServer();
// "cartoon server": host serving "/panelhop/ufgifs.txt" and "/cartoons...".
QString cartoonServer();

// Where the downloaded files go: the user's data folder, never the program folder (which an
// installed copy cannot write).
QString downloadFolder();

// Time and size limits of the downloads.
constexpr int DownloadTimeoutMs = 15000;
constexpr qint64 VersionFileMaxBytes = 64 * 1024;
constexpr qint64 CartoonIndexMaxBytes = 64 * 1024;
constexpr qint64 CartoonStripMaxBytes = 8 * 1024 * 1024;

} // namespace fragdeck::launcher
