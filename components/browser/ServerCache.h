#pragma once
// What the browser keeps between sessions, in the user's data folder: the last server list
// with each server's last answer ("servers.cache"), so the window opens with it at once,
// and the servers the player joined, newest first ("history.dat").
#include "ServerTable.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <vector>

namespace fragdeck::browser
{

struct SavedList {
    std::vector<ServerRow> rows; // marked old
    QDateTime savedAt;
};

// Reads a saved list. A missing file gives an empty list and no error; a foreign one gives
// an empty list and the reason. Each saved answer is read back as the reply it was, with
// the bounds of a live reply; a server whose entry fails those checks is left out, with a
// note in *error, and the rest loads.
SavedList loadServerCache(const QString& path, const servers::ReplyLimits& limits = {},
                          QString* error = nullptr);
// The same on the file's bytes.
SavedList readServerCache(const QByteArray& bytes, const servers::ReplyLimits& limits = {},
                          QString* error = nullptr);
// Writes the rows worth keeping: those of the internet and the LAN, and the answers of the
// address book's and history's servers. Replaces the file atomically.
bool saveServerCache(const QString& path, const ServerTable& table, const QDateTime& savedAt,
                     QString* error = nullptr);

QString serverCachePath(); // in the user's data folder
QString historyPath();     // in the user's data folder

struct JoinedServer {
    QString address; // as it was joined
    qint64 joinedMs = 0;
};

// One server a line, newest first: the address, a tab, the time in ms since the epoch.
QList<JoinedServer> loadHistory(const QString& path);
// Puts the server first (once), keeping at most kHistoryLength entries.
bool recordJoin(const QString& path, const QString& address, qint64 joinedMs,
                QString* error = nullptr);
constexpr int kHistoryLength = 100;

} // namespace fragdeck::browser
