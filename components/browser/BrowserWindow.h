#pragma once
// The server browser window: the list of servers on the internet, the LAN, in the address
// book and joined before; the status of one of them; and the game started connected to it.
#include "gui/StatusLists.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTreeWidgetItem;

namespace fragdeck
{

namespace browser
{
class ServerBrowser;
struct ServerRow;
} // namespace browser
namespace servers
{
class SeatWait;
class Watcher;
struct WatchEvent;
} // namespace servers
class DesktopNotifications;
class MapPreview;
class ServerListPanel;

class BrowserWindow : public QDialog
{
    Q_OBJECT
public:
    // addressBookPath: the address book file ("addbook.dat" in the component's folder).
    explicit BrowserWindow(const QString& addressBookPath, QWidget* parent = nullptr);
    ~BrowserWindow() override;

    QObject* engine() const { return m_engine.get(); }
    browser::ServerBrowser* servers() const { return m_servers.get(); }
    ServerListPanel* serverPanel() const { return m_panel; }
    MapPreview* mapPreview() const { return m_preview; }
    servers::SeatWait* seatWait() const { return m_seatWait.get(); }
    servers::Watcher* watcher() const { return m_watcher.get(); } // null while not watching
    // The player list's context menu for one player: "Add to friends". Owned by the caller.
    QMenu* playerMenu(QTreeWidgetItem* player);
    // Watching friends and favourites, on or off (remembered).
    void setWatching(bool on);

    // Marks the list's servers whose map the player's archives lack (those the map
    // preview lists, scanned once). Done by itself once the window has opened.
    void markMissingMaps();

    void on_Command7_clicked(); // Query
    void on_Command3_clicked(); // Add new server address
    void on_Command4_clicked(); // Remove current address
    void on_Command1_clicked(); // &Start
    void on_Command2_clicked(); // &Return
    // Closing by the title bar or Escape saves the address book too.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadWindow();
    // False (with a message shown) when the book could not be saved: the window stays.
    bool saveAddressBook();
    QStringList bookEntries() const;
    void saveServerList();
    void onServerSelected(int row);
    // Starts the game connected to `address`, asking for the password when the server
    // needs one; a server joined goes first in the history. With the server's row (null for
    // one not in the list) it first warns of a mod the installation lacks and of a missing
    // map the server will not send, and lets the game download from a server that offers it
    // once the player has agreed.
    void joinServer(const QString& address, const browser::ServerRow* listed);
    // False when the player decided not to join after a warning; *arguments gets the
    // download switch.
    bool checkServerNeeds(const browser::ServerRow& row, QString* arguments);
    void showServerNeeds(const browser::ServerRow* row);
    void friendsChanged();
    void hideServer(int row);
    void waitForSeat(int row);
    void onWatchEvent(const servers::WatchEvent& e);
    // The desktop's notice, or the window's own banner and sound where there is none.
    void tell(const QString& summary, const QString& body, const QString& joinAddress);
    void markFriendPlayers();

    QString m_addressBookPath;
    QString m_q3path;
    QString m_configPath;
    // The book was read at load (or there was none yet), so the list is the whole book.
    bool m_bookLoaded = false;
    bool m_bookChanged = false; // an address was added or removed since the window opened
    std::unique_ptr<QObject> m_engine;
    QString m_engineProblem;
    bool m_querying = false;

    QComboBox* m_ipcombo = nullptr;
    StatusLists m_lists;
    std::unique_ptr<browser::ServerBrowser> m_servers;
    ServerListPanel* m_panel = nullptr;
    MapPreview* m_preview = nullptr;
    QLabel* m_banner = nullptr;
    QPushButton* m_cancelWait = nullptr;
    QCheckBox* m_watch = nullptr;
    std::unique_ptr<servers::SeatWait> m_seatWait;
    std::unique_ptr<servers::Watcher> m_watcher;
    std::unique_ptr<DesktopNotifications> m_desktop;
    QSystemTrayIcon* m_tray = nullptr; // only where the desktop has a tray
    QString m_waitAddress;
    QLabel* m_needs = nullptr;
    bool m_mapsMarked = false;
};

} // namespace fragdeck
