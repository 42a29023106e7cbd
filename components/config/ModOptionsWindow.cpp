#include "ModOptionsWindow.h"

#include "ConfigFile.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "core/Variant.h"
#include "game/CfgLines.h"
#include "gui/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace fragdeck::config
{
namespace
{

constexpr int KeyRole = Qt::UserRole;
constexpr int IndexRole = Qt::UserRole + 1;

QString configPathSetting()
{
    return GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                      QStringLiteral("ConfigPath"), QString());
}

bool isExistingFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(toLocalPath(path)).isFile();
}

QFrame* frame(const QString& name, QWidget* parent)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

QLabel* label(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    // Cvar names and descriptions come from the config and the mods' option files.
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

void OptionTree::keyPressEvent(QKeyEvent* event)
{
    m_inKey = true;
    QTreeWidget::keyPressEvent(event);
    m_inKey = false;
}

ModOptionsWindow::ModOptionsWindow(const QString& componentFolder, QWidget* parent)
    : QDialog(parent), m_componentFolder(componentFolder), m_imageList1(treePictures()),
      m_imageList2(toolbarPictures())
{
    setObjectName(QStringLiteral("frm_modoptions"));
    setWindowTitle(QStringLiteral("Config Editor"));
    resize(720, 460);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setIconSize(QSize(24, 24));

    m_tree = new OptionTree(this);
    m_tree->setObjectName(QStringLiteral("optiontree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setIconSize(QSize(16, 16));
    // The selection stays highlighted while another control has the focus.
    QPalette pal = m_tree->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_tree->setPalette(pal);

    QFrame* frame1 = frame(QStringLiteral("Frame1"), this);
    auto* label3 = label(QStringLiteral("Label3"), QStringLiteral("Cvar name:"), frame1);
    m_cvarlbl = label(QStringLiteral("cvarlbl"), QString(), frame1);
    m_cvarlbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = m_cvarlbl->font();
    mono.setBold(true);
    m_cvarlbl->setFont(mono);
    auto* label2 = label(QStringLiteral("Label2"), QStringLiteral("Description:"), frame1);
    m_desclbl = label(QStringLiteral("desclbl"), QString(), frame1);
    m_desclbl->setWordWrap(true);
    m_desclbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_desclbl->setMinimumHeight(80);
    auto* g1 = new QGridLayout(frame1);
    g1->addWidget(label3, 0, 0, Qt::AlignTop);
    g1->addWidget(m_cvarlbl, 0, 1);
    g1->addWidget(label2, 1, 0, Qt::AlignTop);
    g1->addWidget(m_desclbl, 1, 1);
    g1->setColumnStretch(1, 1);
    g1->setRowStretch(1, 1);

    QFrame* frame2 = frame(QStringLiteral("Frame2"), this);
    auto* label1 = label(QStringLiteral("Label1"), QStringLiteral("Value:"), frame2);
    m_value = new QLineEdit(frame2);
    m_value->setObjectName(QStringLiteral("val_value"));
    m_check = new QCheckBox(QStringLiteral("Checked"), frame2);
    m_check->setObjectName(QStringLiteral("val_check"));
    m_combo = new QComboBox(frame2);
    m_combo->setObjectName(QStringLiteral("val_combo"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_value->hide();
    m_check->hide();
    m_combo->hide();
    m_default = new QPushButton(QStringLiteral("Default value"), frame2);
    m_default->setObjectName(QStringLiteral("Command2"));
    auto* g2 = new QVBoxLayout(frame2);
    g2->addWidget(label1);
    g2->addWidget(m_value);
    g2->addWidget(m_check);
    g2->addWidget(m_combo);
    g2->addStretch(1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_default);
    g2->addLayout(buttonRow);

    auto* right = new QVBoxLayout;
    right->addWidget(frame1, 3);
    right->addWidget(frame2, 2);
    auto* body = new QHBoxLayout;
    body->addWidget(m_tree, 1);
    body->addLayout(right, 1);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(6, 0, 6, 6);
    top->addWidget(m_toolbar);
    top->addLayout(body, 1);

    connect(m_toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* a) { on_Toolbar1_buttonClick(a->objectName()); });
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { on_optiontree_nodeClick(item); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                if (item && m_tree->inKeyPress())
                    on_optiontree_nodeClick(item);
            });
    connect(m_default, &QPushButton::clicked, this, [this] { on_Command2_clicked(); });

    // Every editor stores at once under the selected caption.
    connect(m_value, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_currentCaption.isEmpty())
            storeValue(m_currentCaption, text);
    });
    connect(m_check, &QCheckBox::stateChanged, this, [this](int state) {
        if (!m_currentCaption.isEmpty())
            storeValue(m_currentCaption,
                       state == Qt::Unchecked ? QStringLiteral("0") : QStringLiteral("1"));
    });
    connect(m_combo, &QComboBox::activated, this, [this](int) {
        if (!m_currentCaption.isEmpty())
            storeValue(m_currentCaption, m_combo->currentText());
    });
    connect(m_combo, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_comboBusy && !m_currentCaption.isEmpty())
            storeValue(m_currentCaption, text);
    });

    buildToolbar();
}

void ModOptionsWindow::buildToolbar()
{
    struct Button {
        const char* key;
        const char* tip;
    };
    const Button buttons[] = {
        {"sep", nullptr},
        {"open", "Open a config file"},
        {"save", "Save to config file"},
        {"def", "Reset all values to their default value"},
        {"sep4", nullptr},
        {"return", "Return to Fragdeck"},
    };
    for (const Button& b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = nullptr;
        if (!b.tip) {
            a = m_toolbar->addSeparator();
        } else {
            a = m_toolbar->addAction(m_imageList2.value(key), QString());
            a->setToolTip(QString::fromLatin1(b.tip));
            a->setText(QString::fromLatin1(b.tip));
        }
        a->setObjectName(key);
    }
}

void ModOptionsWindow::buildTree()
{
    m_tree->clear();
    m_set = OpenOptions(m_componentFolder + QStringLiteral("\\options.dat"), m_componentFolder);
    QHash<QString, QTreeWidgetItem*> folders;
    for (const QString& name : m_set.folders) {
        auto* item = new QTreeWidgetItem(m_tree, QStringList{name});
        item->setData(0, KeyRole, name);
        item->setIcon(0, m_imageList1.value(QStringLiteral("folder")));
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        folders.insert(name, item);
    }
    for (qsizetype i = 0; i < m_set.options.size(); ++i) {
        const OptionEntry& o = m_set.options[i];
        QTreeWidgetItem* parent = folders.value(o.folder);
        if (!parent)
            continue;
        auto* item = new QTreeWidgetItem(parent, QStringList{o.caption});
        item->setData(0, KeyRole, o.key);
        item->setData(0, IndexRole, int(i));
        const QString picture = o.type == QLatin1String("CHECK")   ? QStringLiteral("check")
                                : o.type == QLatin1String("COMBO") ? QStringLiteral("combo")
                                                                   : QStringLiteral("val");
        item->setIcon(0, m_imageList1.value(picture));
    }
}

void ModOptionsWindow::load()
{
    WaitCursor wait;
    buildTree();
    if (!m_set.fileRead) {
        wait.restore();
        messageBox(QStringLiteral("The option list options.dat could not be read, so there are no "
                                  "options to edit.\n\n%1")
                       .arg(m_set.error),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Warning, this);
    }
    const QString path = configPathSetting();
    if (!path.isEmpty() && QFileInfo(toLocalPath(path)).isDir()) {
        wait.restore();
        rememberValues(m_set.options);
        messageBox(QStringLiteral("Your config file %1 is a folder, not a file, so nothing can be "
                                  "read from it or saved into it. Open your config file by "
                                  "clicking the 'open' icon.")
                       .arg(path),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Warning, this);
    } else if (!isExistingFile(path)) {
        wait.restore();
        rememberValues(m_set.options);
        // A config the game has not written yet: say where it will be.
        const QString notYet =
            path.trimmed().isEmpty() || QFileInfo::exists(toLocalPath(path))
                ? QString()
                : cfg::notWrittenYetText(path) +
                      QStringLiteral(" Start the game once, then come back.\n\n");
        messageBox(notYet + QStringLiteral("Before you can make any changes, you will have to "
                                           "open your config file by clicking the 'open' icon."),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::None, this);
    } else if (!readValues(path, true)) {
        rememberValues(m_set.options);
    }
}

bool ModOptionsWindow::readValues(const QString& configPath, bool markFound)
{
    QString error, notWritable;
    bool ok = false;
    {
        WaitCursor wait;
        QCoreApplication::processEvents();
        ok = ReadValues(configPath, m_set.options, markFound, &error, &notWritable);
    }
    m_notWritable = ok ? notWritable : QString();
    if (!ok) {
        messageBox(QStringLiteral("Your config file could not be read, so no values were taken "
                                  "from it.\n\n%1")
                       .arg(error),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Error, this);
        return false;
    }
    setWindowTitle(QStringLiteral("Config Editor - ") + configPath);
    if (!notWritable.isEmpty())
        messageBox(QStringLiteral("The folder %1 cannot be written, so changes to %2 cannot be "
                                  "saved there. Its values were read and are shown.\n\n%3")
                       .arg(QFileInfo(toLocalPath(configPath)).absolutePath(),
                            fileNameOf(configPath), notWritable),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Warning, this);
    return true;
}

QString ModOptionsWindow::openFolder() const
{
    // Where the file is, or where the game keeps it; both are often hidden (~/.openarena).
    const QString configFolder = folderOf(toLocalPath(configPathSetting()));
    if (!configFolder.isEmpty() && QFileInfo(configFolder).isDir())
        return configFolder;
    const GameInstall install = GameInstall::fromSettings();
    for (const QString& folder : {install.scriptFolder, install.homeFolder})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return userHome();
}

bool ModOptionsWindow::saveValues()
{
    const QString path = configPathSetting();
    QString error;
    SaveResult result;
    {
        WaitCursor wait;
        QCoreApplication::processEvents();
        result = SaveValues(path, m_set.options, &error);
    }
    switch (result) {
    case SaveResult::Saved:
        messageBox(QStringLiteral("Settings saved successfully."), QStringLiteral("Fragdeck"),
                   Buttons::Ok, Icon::Information, this);
        break;
    case SaveResult::NoConfigFile:
        messageBox(QStringLiteral("Nothing was saved: no config file is open. Open your config "
                                  "file by clicking the 'open' icon, then save again."),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Warning, this);
        break;
    case SaveResult::NoWorkingCopy:
        // The read could not make the copy (a full disk): that is the reason to give.
        if (!m_notWritable.isEmpty())
            error = m_notWritable;
        messageBox(QStringLiteral("Nothing was saved: the working copy of your config file "
                                  "could not be read. Open your config file again by clicking "
                                  "the 'open' icon, then save again.\n\n%1")
                       .arg(error),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Error, this);
        break;
    case SaveResult::WriteFailed:
        messageBox(QStringLiteral("Nothing was saved: your config file could not be written and "
                                  "was left as it was.\n\n%1")
                       .arg(error),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Error, this);
        break;
    }
    return result == SaveResult::Saved;
}

void ModOptionsWindow::done(int result)
{
    // With no config file there is nowhere to save; the edits stay in the store.
    if (!configPathSetting().isEmpty() && hasChanges(m_set.options)) {
        const Answer a =
            messageBox(QStringLiteral("Save your changed settings?"), QStringLiteral("Fragdeck"),
                       Buttons::YesNoCancel, Icon::Question, this);
        if (a == Answer::Cancel || (a == Answer::Yes && !saveValues()))
            return;
    }
    QDialog::done(result);
}

void ModOptionsWindow::on_optiontree_nodeClick(QTreeWidgetItem* node)
{
    if (!node)
        return;
    m_currentCaption = node->text(0);
    m_currentKey = node->data(0, KeyRole).toString();
    m_currentType = GetOptionType(m_currentKey);
    m_cvarlbl->setText(GetVarName(m_currentKey));

    if (m_currentType == QLatin1String("VALUE")) {
        m_value->show();
        m_check->hide();
        m_combo->hide();
        m_value->setText(GetSetting(valueApplication(), valueSection(), m_currentCaption,
                                    GetDefault(m_currentKey)));
    } else if (m_currentType == QLatin1String("CHECK")) {
        m_value->hide();
        m_check->show();
        m_combo->hide();
        const QString v = GetSetting(valueApplication(), valueSection(), m_currentCaption,
                                     GetDefault(m_currentKey));
        m_check->setChecked(leadingValue(v) != 0);
    } else if (m_currentType == QLatin1String("COMBO")) {
        m_value->hide();
        m_check->hide();
        m_combo->show();
        fillChoices(m_currentKey);
        m_combo->setEditText(GetSetting(valueApplication(), valueSection(), m_currentCaption,
                                        GetDefault(m_currentKey)));
    }

    const QString description = m_set.descriptionFor(GetOptionNumber(m_currentKey));
    if (!description.isNull())
        m_desclbl->setText(description);
}

void ModOptionsWindow::fillChoices(const QString& record)
{
    m_comboBusy = true;
    m_combo->clear();
    m_combo->addItems(FillChoices(record));
    m_comboBusy = false;
}

void ModOptionsWindow::showDefault()
{
    const QString def = GetDefault(m_currentKey);
    if (m_currentType == QLatin1String("VALUE"))
        m_value->setText(def);
    else if (m_currentType == QLatin1String("CHECK"))
        m_check->setChecked(leadingValue(def) != 0);
    else if (m_currentType == QLatin1String("COMBO"))
        m_combo->setEditText(def);
    else
        return;
    // The editor may already show the default (after "open" it is not refreshed): store
    // it all the same, so what is shown is what a save writes.
    storeValue(m_currentCaption, def);
}

void ModOptionsWindow::on_Command2_clicked()
{
    showDefault();
}

void ModOptionsWindow::on_Toolbar1_buttonClick(const QString& key)
{
    if (key == QLatin1String("return")) {
        close();
    } else if (key == QLatin1String("open")) {
        OpenFileOptions cmd;
        cmd.title = QStringLiteral("Locate q3config.cfg");
        cmd.initialFile = QStringLiteral("q3config.cfg");
        cmd.filter = QStringLiteral("Q3 Config file|*.cfg");
        cmd.initialFolder = openFolder();
        cmd.fileMustExist = true;
        cmd.showHidden = true;
        const QString path = openFileDialog(cmd, this);
        if (!isExistingFile(path))
            return;
        // A file that is no config is not taken as the config file.
        if (readValues(path, false))
            SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                        QStringLiteral("ConfigPath"), path);
    } else if (key == QLatin1String("save")) {
        saveValues();
    } else if (key == QLatin1String("def")) {
        {
            WaitCursor wait;
            ResetValues(m_set.options);
        }
        showDefault();
    }
}

} // namespace fragdeck::config
