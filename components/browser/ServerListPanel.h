#pragma once
// The server list part of the browser window: the sources, the refresh with its progress,
// the filters and the sortable list itself.
#include "ServerBrowser.h"
#include "ServerFilter.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTreeView;

namespace fragdeck
{

class ServerListPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ServerListPanel(browser::ServerBrowser* browser, QWidget* parent = nullptr);

    QTreeView* view() const { return m_view; }
    browser::ServerFilterModel* proxy() const { return m_proxy; }
    browser::Source source() const { return m_proxy->source(); }
    void setSource(browser::Source source);
    // The table row of the current list row; -1 when there is none.
    int currentRow() const;
    // Makes the table row the current one when the list shows it.
    bool selectRow(int tableRow);
    // Refreshes the shown source (as the Refresh button).
    void refresh();

    // The row's context menu: "Hide this server", "Join when a seat frees" (for a full
    // server). Owned by the caller.
    QMenu* rowMenu(int tableRow);

Q_SIGNALS:
    void hideRequested(int tableRow);
    void seatWaitRequested(int tableRow);
    void serverSelected(int tableRow);
    void serverActivated(int tableRow); // double-click or Enter

private:
    void readFilter();
    void showFilter(const browser::ServerFilter& f);
    void updateProgress();
    void updateAge();
    void updateCount();
    void updateMods();
    void onSortChanged(int column, Qt::SortOrder order);

    browser::ServerBrowser* m_browser;
    browser::ServerFilterModel* m_proxy;
    browser::ListView m_saved;
    bool m_loading = true;
    bool m_sortingForSource = false; // a source's own order, not the player's choice
    QTimer m_autoRefresh;
    QTimer m_countTimer;

    QTabBar* m_sources = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_stop = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_age = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_report = nullptr;
    QLineEdit* m_search = nullptr;
    QLineEdit* m_player = nullptr;
    QLineEdit* m_countries = nullptr;
    QCheckBox* m_hideEmpty = nullptr;
    QCheckBox* m_hideFull = nullptr;
    QCheckBox* m_hideNoReply = nullptr;
    QCheckBox* m_noPassword = nullptr;
    QCheckBox* m_autoRefreshBox = nullptr;
    QComboBox* m_gameType = nullptr;
    QComboBox* m_mod = nullptr;
    QSpinBox* m_maxPing = nullptr;
    QTreeView* m_view = nullptr;
};

} // namespace fragdeck
