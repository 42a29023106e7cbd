#pragma once
// The demo player's window frm_main ("View demos"): the demos with what they hold (map,
// server, players, game type, length, date), a filter, and the selected demo's level shot.
#include "DemoScan.h"
#include "archive/Unzip.h"
#include "core/GameInstall.h"

#include <QDateTime>
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace fragdeck::archive
{
class PictureBox;
}

namespace fragdeck::demos
{

class DemoWindow : public QDialog
{
    Q_OBJECT
public:
    // Level shots are extracted into a scratch folder in the user's data folder.
    explicit DemoWindow(QWidget* parent = nullptr);
    ~DemoWindow() override;

    // The columns of list_demos.
    enum Column { ColDemo, ColMap, ColServer, ColPlayers, ColGameType, ColLength, ColDate };

    const QList<Demo>& demos() const { return m_demos; }
    // What is known of demo i: its game state, then the whole read once it is in.
    const DemoInfo& info(int i) const { return m_infos[i]; }
    // How many demos are still being read whole.
    int demosBeingRead() const { return m_beingRead; }
    // The selected entries' script names, first to last as listed (filtered out ones
    // do not count).
    QStringList selectedNames() const;
    // The level shot file drawn last ("" when the box shows none).
    const QString& shownLevelShot() const { return m_shownLevelShot; }
    QString scratchFolder() const { return m_scratch; }
    // A demo row's context menu: "Add to friends" with the demo's players. Owned by the
    // caller.
    QMenu* demoMenu(QTreeWidgetItem* item);
    // The demo protocols the game plays (empty when its engine is not known).
    const QList<int>& playedProtocols() const { return m_played; }

private:
    void loadWindow();
    void fillRow(QTreeWidgetItem* item, int index);
    void showDemo(QTreeWidgetItem* item);
    QString summaryOf(int index) const;
    void showLevelShot(const QString& map);
    void on_demofilter_textChanged(const QString& text);
    void on_list_demos_headerClicked(int column);
    void onDemoRead(int index, const DemoInfo& info);
    void on_Command1_clicked();

    archive::UnzipModule m_unzip;
    GameInstall m_install;
    QList<Demo> m_demos;
    QList<DemoInfo> m_infos;
    QList<QDateTime> m_dates;
    QList<archive::LevelShot> m_levelShots;
    QList<int> m_played;
    QString m_scratch;
    QString m_shownLevelShot;
    archive::DemoReadQueue* m_reads = nullptr;
    int m_beingRead = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    QLineEdit* demofilter = nullptr;
    QTreeWidget* list_demos = nullptr;
    QCheckBox* cloop = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QListWidget* List_levelshots = nullptr;
    QLabel* shotcaption = nullptr;
    archive::PictureBox* Picture1 = nullptr;
    QLabel* demoinfo = nullptr;
};

} // namespace fragdeck::demos
