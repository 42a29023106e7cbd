#pragma once
// The demo player's window frm_main ("View demos").
#include "DemoScan.h"
#include "GameInstall.h"
#include "Unzip.h"

#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace fragdeck::demos
{

class DemoWindow : public QDialog
{
    Q_OBJECT
public:
    // componentFolder: the component's own folder (listing runs name a folder below it).
    explicit DemoWindow(const QString& componentFolder, QWidget* parent = nullptr);

    const QList<Demo>& demos() const { return m_demos; }
    // The selected entries' script names, first to last.
    QStringList selectedNames() const;

private:
    void loadWindow();
    void on_Command1_clicked();

    archive::UnzipModule m_unzip;
    GameInstall m_install;
    QList<Demo> m_demos;
    QString m_componentFolder;

    QListWidget* list_demos = nullptr;
    QCheckBox* cloop = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QListWidget* List_levelshots = nullptr;
};

} // namespace fragdeck::demos
