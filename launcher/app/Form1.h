#pragma once
// Form1: the launcher's main window - the themed icon list of tools, the menus, the
// status bar, start-up and first run.
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMetaObject>

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QStatusBar;
class QTimer;

namespace fragdeck::launcher
{

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence: shows the window, schedules the deferred step.
    void load();

    void HookMenuSelect();
    void UnhookMenuSelect();
    bool menuHookInstalled() const { return !m_hook.isEmpty(); }

    void CheckFirstRun();
    void RegisterDLL();
    void WriteInstallInfo();
    void InitIcons();
    void AddIcon(const QString& iconame, const QString& keyw);
    void KillIcons();
    void InitThemes();

    bool deferredStepDone() const { return m_deferredDone; }
    QString statusText() const;
    // The picture of the icon list item with this key (what imagelist holds for it).
    QIcon iconPicture(const QString& key) const { return m_imagelist.value(key); }
    // The file each picture came from, by key (for checking theme fallbacks).
    QString iconPictureFile(const QString& key) const { return m_imageFiles.value(key); }

Q_SIGNALS:
    void deferredStepFinished();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenus();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption);
    void layoutControls();
    void showFullScreenMode();
    void setStatus(const QString& text);

    void on_Timer2_timeout();
    void on_Timer1_timeout();
    void searchDrives();
    void on_iconlist_itemClicked(QListWidgetItem* item);
    void on_iconlist_doubleClick();
    void on_th_triggered(int index);
    void on_fullscreen_triggered();
    void on_menu_hovered(QAction* action);

    // Creates the component and calls main; raises what creation or main raises.
    void activate(const QString& progId, bool hourglass);
    // The same for a menu item: any error gives the auto-repair message.
    void activateFromMenu(const QString& progId, bool hourglass);
    void runExternalBrowser();
    void showAutoRepairMessage();

    QListWidget* m_iconlist = nullptr;
    QLabel* m_image1 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QMenu* m_themes = nullptr;
    QList<QMenu*> m_menus;
    QList<QAction*> m_th;        // the pop-up over the icon list
    QList<QAction*> m_optionsTh; // the same entries under Options
    void markCurrentTheme();
    QAction* m_fullscreen = nullptr;
    QHash<QString, QIcon> m_imagelist;
    QHash<QString, QString> m_imageFiles;
    QList<QMetaObject::Connection> m_hook;
    short m_lastMouseX = 0;
    short m_lastMouseY = 0;
    bool m_deferredDone = false;
};

} // namespace fragdeck::launcher
