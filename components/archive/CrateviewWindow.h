#pragma once
// The archive explorer's window (Form1) and its picture viewer (frm_pic).
#include "ArchiveTree.h"
#include "ExplorerUnzip.h"

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QPoint>

class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace fragdeck::archive
{

class DemoReadQueue;
class DesktopOpener;
class PictureBox;

class PictureViewer : public QDialog
{
    Q_OBJECT
public:
    explicit PictureViewer(const QString& picturePath, QWidget* parent = nullptr);
    PictureBox* picture() const { return m_picture; }
    bool loaded() const { return m_loaded; }

private:
    PictureBox* m_picture;
    bool m_loaded = false;
};

class CrateviewWindow : public QDialog
{
    Q_OBJECT
public:
    // The scratch folders live in the user's data folder ("crateview/temp", where opened
    // members land), and so do the members kept by "extract" ("extracted").
    explicit CrateviewWindow(QWidget* parent = nullptr);

    // Opens an archive as the open button does after its dialog.
    void openArchive(const QString& path);

    QString scratchFolder() const { return m_base; }
    QString extractedFolder() const { return m_extracted; }
    const QString& archivePath() const { return m_archivePath; }
    const QString& folderPath() const { return m_folderPath; }
    const ArchiveTree& tree() const { return m_tree; }
    UnzipModule& unzip() { return m_unzip; }

    void on_open_clicked();
    void on_extract_clicked();
    void on_extractfolder_clicked(); // the folder shown, with its subfolders
    void on_extractall_clicked();    // the whole archive

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildTree();
    void on_folders_NodeClick(QTreeWidgetItem* node);
    void on_files_Click();
    void on_files_DblClick();
    QString memberOf(const QString& entryText) const;
    // Text opens the way the desktop opens it; without a desktop opener, in a text editor.
    void openText(const QString& path);
    void openInTextEditor(const QString& path);
    // Extracts `members` (all when empty), folders kept, into a folder the player chooses.
    void extractInto(const QString& what, const QStringList& members);
    void startGameOn(const QString& command, const QString& name);
    void layoutControls();
    // A demo entry shows what it holds below the file list; other entries hide it.
    void showDemoSummary(const QString& entryText);

    QString m_base;
    QString m_extracted;
    QString m_lastTarget; // where the last whole folder went
    ExplorerUnzip m_unzip;
    ArchiveTree m_tree;
    QString m_archivePath;
    QString m_folderPath;
    int m_folderNode = -1;
    QString m_selected; // the file-list entry of the last click ("" = none)
    QPoint m_last;      // where the last mouse press on the file list was
    QString m_picturePath;

    QHash<QString, QIcon> m_fileIcons; // ImageList1
    QIcon m_folderIcon;                // ImageList2 "folder" with "open" when selected

    QFrame* m_frame;
    QToolBar* m_toolbar;
    QAction* m_openAction;
    QAction* m_extractAction;
    QAction* m_extractFolderAction;
    QAction* m_extractAllAction;
    DesktopOpener* m_opener;
    QTreeWidget* m_folders;
    QListWidget* m_files;
    QLabel* m_demoSummary;
    DemoReadQueue* m_demoReads;
    int m_demoShown = 0; // which demo read the summary waits for
};

} // namespace fragdeck::archive
