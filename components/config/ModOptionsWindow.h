#pragma once
// The config editor's window, frm_modoptions ("Config Editor"): the option tree, the
// three value editors, the toolbar and "Default value".
#include "OptionDefs.h"
#include "Pictures.h"

#include <QDialog>
#include <QTreeWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;

namespace fragdeck::config
{

// A tree that tells the window when a key press moved its selection, so arrowing
// through the options selects them as a click does.
class OptionTree : public QTreeWidget
{
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;
    bool inKeyPress() const { return m_inKey; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_inKey = false;
};

class ModOptionsWindow : public QDialog
{
    Q_OBJECT
public:
    // componentFolder holds options.dat and its list files.
    explicit ModOptionsWindow(const QString& componentFolder, QWidget* parent = nullptr);

    // The window load: builds the tree and reads the configuration file named by
    // "ConfigPath" (messages go through the prompt functions).
    void load();

    const OptionSet& options() const { return m_set; }
    QString currentCaption() const { return m_currentCaption; }
    QString currentKey() const { return m_currentKey; }
    QString currentType() const { return m_currentType; }

    // The handlers, as the controls call them.
    void on_optiontree_nodeClick(QTreeWidgetItem* node);
    void on_Toolbar1_buttonClick(const QString& key);
    void on_Command2_clicked();
    // Closing with unsaved changes asks whether to save them first.
    void done(int result) override;

private:
    void buildToolbar();
    void buildTree();
    void fillChoices(const QString& record);
    void showDefault();
    bool readValues(const QString& configPath, bool markFound);
    // The folder the open dialog starts in.
    QString openFolder() const;
    bool saveValues();

    QString m_componentFolder;
    OptionSet m_set;
    ImageList m_imageList1;
    ImageList m_imageList2;

    QToolBar* m_toolbar = nullptr;
    OptionTree* m_tree = nullptr;
    QLabel* m_cvarlbl = nullptr;
    QLabel* m_desclbl = nullptr;
    QLineEdit* m_value = nullptr;
    QCheckBox* m_check = nullptr;
    QComboBox* m_combo = nullptr;
    QPushButton* m_default = nullptr;

    QString m_currentCaption;
    QString m_currentKey;
    QString m_currentType;
    QString m_notWritable;    // why the last read could not make the working copy
    bool m_comboBusy = false; // the combo's "busy" tag while its list is refilled
};

} // namespace fragdeck::config
