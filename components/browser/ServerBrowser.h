#pragma once
// The server list behind the browser window: the table of every source's servers, the
// engine that fills it (masters and poller, LAN discovery, a resolver for the host names
// in the address book and the history), the saved list and the history. Widget-free.
//
// A refresh never empties the list: rows keep their last answer until a new one comes.
#include "ServerCache.h"
#include "ServerTable.h"
#include "servers/LanSource.h"
#include "servers/ServerList.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <memory>

namespace fragdeck::browser
{

class ServerBrowser : public QObject
{
    Q_OBJECT
public:
    explicit ServerBrowser(QObject* parent = nullptr);
    ~ServerBrowser() override;

    ServerTable& table() { return m_table; }
    servers::ServerList& serverList() { return m_list; }
    servers::LanSource& lan() { return m_lan; }
    // Resolves the masters' and the typed servers' host names (the system's by default).
    void setResolver(servers::Resolver resolver);

    // The saved list; the window shows it at once, marked old.
    void loadCache(const QString& path);
    bool saveCache(const QString& path, QString* error = nullptr);
    const QDateTime& cacheTime() const { return m_cacheTime; }
    const QString& cacheError() const { return m_cacheError; }
    // True while a source's rows are all from the saved list.
    bool isOld(Source source) const { return m_old & source; }

    // The address book's entries, as typed: rows join and leave the "Favourites" source.
    void setFavourites(const QStringList& entries);
    void setHistory(const QList<JoinedServer>& joined);
    // The text to show for a row: the address book's own text in "Favourites" (so that
    // removing it there finds it), else the row's address.
    QString addressText(int row, Source shown) const;
    // A server the player joined: first in the history, saved to `path`.
    bool recordJoin(const QString& path, const QString& address, qint64 joinedMs,
                    QString* error = nullptr);

    void refresh(Source source);
    // Asks one row's server again.
    void refreshRow(int row);
    void stop();
    bool isRunning() const;

    struct Progress {
        int answered = 0;
        int noReply = 0;
        int pending = 0;
    };
    Progress progress() const;
    // What the last refresh of `source` could not do, for the status line: masters that
    // failed and how, servers a master listed that were not queried and why, bounds
    // reached, replies cut; "No server found" for an empty LAN. Empty when all went well.
    QString report(Source source) const;

Q_SIGNALS:
    void progressChanged();
    void finished();

private:
    void onServersFound(const QList<ServerAddress>& servers);
    void onServerUpdated(int pollerRow);
    void onLanServer(const ServerAddress& server, const servers::ServerInfo& info);
    void onListFinished();
    void queryRow(int row);
    void resolveRow(int row);
    void checkIdle();
    void beginRefresh();
    void syncSource(Source source, const QSet<QString>& keys);

    ServerTable m_table;
    servers::ServerList m_list;
    servers::LanSource m_lan;
    servers::ServerPoller* m_poller; // the list's
    servers::Resolver m_resolver;
    std::unique_ptr<QObject> m_resolveContext; // dropped, with its pending answers, on stop
    int m_resolving = 0;
    bool m_running = false;
    bool m_stopping = false;
    quint8 m_refreshing = 0;            // sources refreshed since the list was last idle
    QHash<QString, QString> m_bookText; // favourite row key -> the book's text
    int m_answered = 0;
    int m_noReply = 0;
    quint8 m_old = 0;
    quint8 m_reported = 0; // sources refreshed to the end at least once
    QDateTime m_cacheTime;
    QString m_cacheError;
};

} // namespace fragdeck::browser
