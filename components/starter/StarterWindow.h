#pragma once
// The match starter's windows: frm_main ("Start Q3A Server") and frm_server.
#include "MapScan.h"
#include "ServerProcess.h"
#include "archive/Unzip.h"

#include <QDialog>
#include <QImage>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace fragdeck::archive
{
class PictureBox;
}

namespace fragdeck::starter
{

class StarterWindow : public QDialog
{
    Q_OBJECT
public:
    // Level shots are extracted into a scratch folder in the user's data folder.
    explicit StarterWindow(QWidget* parent = nullptr);
    ~StarterWindow() override;

    const MapScan& scan() const { return m_scan; }
    const GameInstall& install() const { return m_install; }
    bool hasCommander() const { return m_commander != nullptr; }
    // The picture file shown last ("" for the default picture).
    const QString& shownPicture() const { return m_shownPicture; }
    QString scratchFolder() const { return m_scratch; }
    // The ticked maps in node order, as the script lists them.
    QStringList tickedMaps() const;
    // What the starts started, the last one last (kept while the component is loaded, so a
    // window opened later can still stop them). Those that ended are dropped at the next
    // start, except the last.
    static QList<StartedGame>& startedGames();
    // The last of them (an empty one when nothing was started).
    static StartedGame& lastStarted();

private:
    void loadWindow();
    void showDefaultPicture();
    void on_list_maps1_itemChanged(QTreeWidgetItem* item, int column);
    void on_list_maps1_itemClicked(QTreeWidgetItem* item, int column);
    void on_Command1_clicked();
    void on_Command5_clicked();
    void on_Command6_clicked();
    void on_Command7_clicked();
    // Shows what was started and whether it still runs.
    void showStarted();
    // Stops every server still running that a start started.
    void stopStarted();

    archive::UnzipModule m_unzip;
    GameInstall m_install;
    MapScan m_scan;
    std::unique_ptr<QObject> m_commander;
    QString m_scratch;
    QString m_shownPicture;
    QImage m_defaultPicture;

    QTreeWidget* list_maps1 = nullptr;
    QComboBox* gtype = nullptr;
    QComboBox* dedicated = nullptr;
    QLineEdit* max = nullptr;
    QLineEdit* tlimit = nullptr;
    QLineEdit* flimit = nullptr;
    QLineEdit* rcon = nullptr;
    QCheckBox* mapcycle = nullptr;
    QCheckBox* ch_cheat = nullptr;
    archive::PictureBox* Picture1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr; // stops what the last start started
    QLabel* startinfo = nullptr;
    QTimer* m_watch = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QListWidget* List_levelshots = nullptr;
};

// The second window, which nothing opens: its game type list and nothing else.
class ServerWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ServerWindow(QWidget* parent = nullptr);

private:
    QComboBox* gtype = nullptr;
};

} // namespace fragdeck::starter
