// The config editor window driven offscreen, and the real plugin opened through its
// registered name with the options.dat it ships.
#include "ConfigFile.h"
#include "ModOptionsWindow.h"
#include "StoredOption.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace fragdeck;
using namespace fragdeck::config;
using fragdeck::test::crlf;
using fragdeck::test::readFile;
using fragdeck::test::writeFile;

class TestConfigWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void loadWithoutConfigFile();
    void nodeClicksPerType();
    void folderSelected();
    void comboValueNotAmongChoices();
    void defaultValueAndResetAll();
    void openReadsWithoutRefreshingEditor();
    void openDialogStartsWhereTheGameKeepsIt();
    void readOnlyFolderIsNamed();
    void saveMessages();
    void missingDefinitionsFile();
    void shippedOptionsThroughThePlugin();
    void closingWithChangesAsks();
    void notAConfigFileIsRefused_data();
    void notAConfigFileIsRefused();
    void fullDiskSaveSaysSo();

private:
    void open(); // a window over the test definitions, loaded and shown
    QTreeWidgetItem* node(const QString& text) const;
    void click(const QString& text);
    void toolbar(const QString& key);
    template <class T> T* child(const char* name) const
    {
        T* w = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    std::unique_ptr<test::TempStore> m_store;
    std::unique_ptr<test::PromptRecorder> m_prompts;
    std::unique_ptr<ModOptionsWindow> m_window;
    QTemporaryDir m_dir;
    QString m_folder;
};

void TestConfigWindow::init()
{
    m_store.reset(new test::TempStore);
    m_prompts.reset(new test::PromptRecorder);
    m_folder = m_dir.filePath(QString::number(QRandomGenerator::global()->generate()));
    writeFile(m_folder + "/fps.lst", crlf({"3", "85", "125", "333"}));
    QStringList lines = {"Display", "HUD", "---"};
    lines << QStringList{
        "Display", "Field of view", "How wide you see.", "cg_fov", "1-160", "VALUE", "90"};
    lines << QStringList{
        "HUD", "Show frame rate", "Frames per second.", "cg_drawFPS", "0 or 1", "CHECK", "on-off",
        "0"};
    lines << QStringList{"Display",    "Maximum frame rate",
                         "Frame cap.", "com_maxfps",
                         "list",       "COMBO",
                         "FILE",       "fps.lst",
                         "choices",    "85"};
    lines << QStringList{"HUD",
                         "Team overlay",
                         "Where team mates are listed.",
                         "cg_drawTeamOverlay",
                         "list",
                         "COMBO",
                         "ENTRIES",
                         "4",
                         "0",
                         "1",
                         "2",
                         "3",
                         "choices",
                         "0"};
    writeFile(m_folder + "/options.dat", crlf(lines));
}

void TestConfigWindow::cleanup()
{
    m_window.reset();
    m_prompts.reset();
    m_store.reset();
}

void TestConfigWindow::open()
{
    m_window.reset(new ModOptionsWindow(m_folder));
    m_window->load();
    m_window->show();
    m_window->findChild<QTreeWidget*>("optiontree")->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QTreeWidgetItem* TestConfigWindow::node(const QString& text) const
{
    const auto items =
        child<QTreeWidget>("optiontree")->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void TestConfigWindow::click(const QString& text)
{
    auto* tree = child<QTreeWidget>("optiontree");
    QTreeWidgetItem* item = node(text);
    QVERIFY2(item, qPrintable(text));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

void TestConfigWindow::toolbar(const QString& key)
{
    auto* bar = child<QToolBar>("Toolbar1");
    QAction* a = bar->findChild<QAction*>(key);
    QVERIFY2(a, qPrintable(key));
    QTest::mouseClick(bar->widgetForAction(a), Qt::LeftButton);
}

void TestConfigWindow::loadWithoutConfigFile()
{
    SaveSetting("Fragdeck", "Options", "ConfigPath", m_dir.filePath("gone/q3config.cfg"));
    open();
    QCOMPARE(m_window->objectName(), QString("frm_modoptions"));
    QCOMPARE(m_window->windowTitle(), QString("Config Editor"));
    // The game has not written it yet: the message says where it will be.
    QCOMPARE(m_prompts->texts(),
             QStringList{"The game has not written its config file " +
                         m_dir.filePath("gone/q3config.cfg") +
                         " yet: it does so the first time it runs. Start the game once, then "
                         "come back.\n\nBefore you can make any changes, you will have to open "
                         "your config file by clicking the 'open' icon."});
    QCOMPARE(m_prompts->prompts[0].title, QString("Fragdeck"));
    QCOMPARE(m_prompts->prompts[0].icon, Icon::None);

    // Tree: folders bold on top, options below them in file order.
    auto* tree = child<QTreeWidget>("optiontree");
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("Display"));
    QVERIFY(tree->topLevelItem(0)->font(0).bold());
    QCOMPARE(tree->topLevelItem(1)->childCount(), 2);

    // Toolbar keys and tips.
    QStringList keys, tips;
    for (QAction* a : child<QToolBar>("Toolbar1")->actions()) {
        keys << a->objectName();
        if (!a->isSeparator())
            tips << a->toolTip();
    }
    QCOMPARE(keys, QStringList({"sep", "open", "save", "def", "sep4", "return"}));
    QCOMPARE(tips, QStringList({"Open a config file", "Save to config file",
                                "Reset all values to their default value", "Return to Fragdeck"}));

    // Nothing selected: no editor, and "Default value" does nothing.
    QVERIFY(child<QLineEdit>("val_value")->isHidden());
    QVERIFY(child<QCheckBox>("val_check")->isHidden());
    QVERIFY(child<QComboBox>("val_combo")->isHidden());
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QVERIFY(child<QLineEdit>("val_value")->isHidden());
    QCOMPARE(child<QPushButton>("Command2")->text(), QString("Default value"));
    QCOMPARE(child<QCheckBox>("val_check")->text(), QString("Checked"));
}

void TestConfigWindow::nodeClicksPerType()
{
    open();
    auto* value = child<QLineEdit>("val_value");
    auto* check = child<QCheckBox>("val_check");
    auto* combo = child<QComboBox>("val_combo");

    click("Field of view");
    QVERIFY(value->isVisible() && check->isHidden() && combo->isHidden());
    QCOMPARE(value->text(), QString("90"));
    QCOMPARE(child<QLabel>("cvarlbl")->text(), QString("cg_fov"));
    QCOMPARE(child<QLabel>("desclbl")->text(), QString("How wide you see."));
    QTest::keyClicks(value, "5");
    QCOMPARE(stored("Field of view"), QString("905"));

    storeValue("Show frame rate", "1");
    click("Show frame rate");
    QVERIFY(value->isHidden() && check->isVisible() && combo->isHidden());
    QVERIFY(check->isChecked());
    check->click();
    QCOMPARE(stored("Show frame rate"), QString("0"));

    click("Maximum frame rate");
    QVERIFY(value->isHidden() && check->isHidden() && combo->isVisible());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(2), QString("333"));
    QCOMPARE(combo->currentText(), QString("85"));
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    QCOMPARE(stored("Maximum frame rate"), QString("333"));

    // Refilling the list for another combo never stores an empty value.
    click("Team overlay");
    QCOMPARE(combo->count(), 4);
    QCOMPARE(stored("Maximum frame rate"), QString("333"));
    QVERIFY(stored("Team overlay") != QString());

    // Arrow keys select as a click does.
    child<QTreeWidget>("optiontree")->setFocus();
    QTest::keyClick(child<QTreeWidget>("optiontree"), Qt::Key_Up);
    QCOMPARE(m_window->currentCaption(), QString("Show frame rate"));
}

void TestConfigWindow::folderSelected()
{
    open();
    click("Field of view");
    click("HUD");
    QCOMPARE(m_window->currentType(), QString());
    QCOMPARE(child<QLabel>("cvarlbl")->text(), QString());
    QCOMPARE(child<QLabel>("desclbl")->text(), QString());
    QVERIFY(child<QLineEdit>("val_value")->isVisible());
    child<QLineEdit>("val_value")->setText("77");
    QCOMPARE(stored("HUD"), QString("77"));
    QCOMPARE(stored("Field of view"), QString("90")); // stored when it was shown
}

void TestConfigWindow::comboValueNotAmongChoices()
{
    storeValue("Maximum frame rate", "250");
    open();
    click("Maximum frame rate");
    QCOMPARE(child<QComboBox>("val_combo")->currentText(), QString("250"));
    QCOMPARE(stored("Maximum frame rate"), QString("250"));
}

void TestConfigWindow::defaultValueAndResetAll()
{
    storeValue("Field of view", "110");
    storeValue("Show frame rate", "1");
    storeValue("Maximum frame rate", "333");
    open();
    click("Field of view");
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>("val_value")->text(), QString("90"));
    QCOMPARE(stored("Field of view"), QString("90"));

    click("Maximum frame rate");
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(child<QComboBox>("val_combo")->currentText(), QString("85"));
    QCOMPARE(stored("Maximum frame rate"), QString("85"));

    storeValue("Maximum frame rate", "333");
    click("Show frame rate");
    QVERIFY(child<QCheckBox>("val_check")->isChecked());
    toolbar("def");
    QVERIFY(!child<QCheckBox>("val_check")->isChecked());
    QCOMPARE(stored("Show frame rate"), QString("0"));
    QCOMPARE(stored("Maximum frame rate"), QString("85"));
    QCOMPARE(stored("Team overlay"), QString("0"));
}

void TestConfigWindow::openReadsWithoutRefreshingEditor()
{
    const QString cfg = writeFile(m_dir.filePath("game/q3config.cfg"),
                                  "seta cg_fov \"100\"\nseta cg_fov \"120\"\n");
    SaveSetting("Fragdeck", "Options", "ConfigPath", cfg);
    open();
    QVERIFY(m_prompts->prompts.isEmpty());
    QCOMPARE(m_window->windowTitle(), "Config Editor - " + cfg);
    // The load shows the value the game uses: the last line.
    QCOMPARE(stored("Field of view"), QString("120"));
    click("Field of view");
    QCOMPARE(child<QLineEdit>("val_value")->text(), QString("120"));

    // A cancelled dialog changes nothing.
    m_prompts->queueCancel();
    toolbar("open");
    QCOMPARE(stored("Field of view"), QString("120"));

    const QString other =
        writeFile(m_dir.filePath("other/q3config.cfg"), "seta cg_fov 95\r\nseta cg_fov 105\r\n");
    m_prompts->queueFile(other);
    toolbar("open");
    const Prompt dialog = m_prompts->prompts.last();
    QCOMPARE(dialog.kind, Prompt::OpenFile);
    QCOMPARE(test::fileDialogOf(dialog),
             (QStringList{"Locate q3config.cfg", "q3config.cfg", "Q3 Config file|*.cfg",
                          m_dir.filePath("game/"), "must exist", "hidden shown"}));
    QCOMPARE(GetSetting("Fragdeck", "Options", "ConfigPath"), other);
    QCOMPARE(m_window->windowTitle(), "Config Editor - " + other);
    QCOMPARE(stored("Field of view"), QString("105")); // after "open" the last line wins
    QCOMPARE(child<QLineEdit>("val_value")->text(), QString("120"));
    click("Field of view");
    QCOMPARE(child<QLineEdit>("val_value")->text(), QString("105"));
}

void TestConfigWindow::openDialogStartsWhereTheGameKeepsIt()
{
    // The game has never run: no ConfigPath, and the home folder the game will use is
    // hidden. The dialog starts there and shows hidden folders.
    const QString home = m_dir.filePath("home");
    test::TempHome homeFolder(home);
    const QString program = writeFile(m_dir.filePath("games/openarena"), "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    test::setGamePaths(program, "");
    QDir().mkpath(home + "/.openarena/baseoa");
    open();
    m_prompts->clear();
    m_prompts->queueCancel();
    toolbar("open");
    QCOMPARE(m_prompts->prompts.size(), 1);
    QCOMPARE(m_prompts->prompts[0].file.initialFolder, home + "/.openarena/baseoa/");
    QVERIFY(m_prompts->prompts[0].file.showHidden);
    QCOMPARE(m_window->windowTitle(), QString("Config Editor"));

    // Not even that folder yet: the home folder.
    QDir(home + "/.openarena").removeRecursively();
    m_prompts->queueCancel();
    toolbar("open");
    QCOMPARE(m_prompts->prompts.last().file.initialFolder, home);
}

void TestConfigWindow::readOnlyFolderIsNamed()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString cfg = writeFile(disk.filePath("q3config.cfg"), "seta cg_fov \"110\"\n");
    QVERIFY(disk.makeReadOnly());
    SaveSetting("Fragdeck", "Options", "ConfigPath", cfg);
    open();
    QCOMPARE(m_prompts->prompts.size(), 1);
    const QString text = m_prompts->texts()[0];
    QVERIFY2(text.startsWith("The folder " + disk.path() +
                             " cannot be written, so changes to "
                             "q3config.cfg cannot be saved there."),
             qPrintable(text));
    QVERIFY(!text.contains("could not be read"));
    QCOMPARE(m_prompts->prompts[0].icon, Icon::Warning);
    // The values are read all the same, and the title names the file.
    QCOMPARE(stored("Field of view"), QString("110"));
    QCOMPARE(m_window->windowTitle(), "Config Editor - " + cfg);
    // A save says the same of the folder; the file is as it was.
    m_prompts->clear();
    toolbar("save");
    QCOMPARE(m_prompts->prompts.size(), 1);
    QVERIFY2(m_prompts->texts()[0].contains("The folder " + disk.path() + " cannot be written."),
             qPrintable(m_prompts->texts()[0]));
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov \"110\"\n"));
}

void TestConfigWindow::saveMessages()
{
    open();
    m_prompts->clear();
    toolbar("save");
    QCOMPARE(m_prompts->prompts.size(), 1);
    QVERIFY(m_prompts->texts()[0].startsWith("Nothing was saved: no config file is open."));

    const QString cfg = writeFile(m_dir.filePath("s/q3config.cfg"), "seta cg_fov 100\r\n");
    SaveSetting("Fragdeck", "Options", "ConfigPath", cfg);
    m_prompts->clear();
    toolbar("save"); // never read, so no working copy yet
    QVERIFY(m_prompts->texts()[0].startsWith("Nothing was saved: the working copy"));
    QCOMPARE(m_prompts->prompts[0].icon, Icon::Error);
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov 100\r\n"));

    m_prompts->queueFile(cfg);
    toolbar("open");
    click("Field of view");
    child<QLineEdit>("val_value")->setText("96");
    m_prompts->clear();
    toolbar("save");
    QCOMPARE(m_prompts->texts(), QStringList{"Settings saved successfully."});
    QCOMPARE(m_prompts->prompts[0].title, QString("Fragdeck"));
    QCOMPARE(m_prompts->prompts[0].icon, Icon::Information);
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov \"96\"\r\n"));

    toolbar("return");
    QVERIFY(!m_window->isVisible());
}

void TestConfigWindow::missingDefinitionsFile()
{
    QFile::remove(m_folder + "/options.dat");
    open();
    QCOMPARE(m_prompts->prompts.size(), 2);
    QVERIFY(m_prompts->texts()[0].startsWith("The option list options.dat could not be read"));
    QCOMPARE(m_prompts->prompts[0].icon, Icon::Warning);
    QCOMPARE(child<QTreeWidget>("optiontree")->topLevelItemCount(), 0);
    // The toolbar still works.
    const QString cfg = writeFile(m_dir.filePath("m/q3config.cfg"), "bind a b\r\n");
    m_prompts->queueFile(cfg);
    toolbar("open");
    m_prompts->clear();
    toolbar("save");
    QCOMPARE(m_prompts->texts(), QStringList{"Settings saved successfully."});
    QCOMPARE(readFile(cfg), QByteArray("bind a b\r\n"));
}

void TestConfigWindow::shippedOptionsThroughThePlugin()
{
    QString error;
    QVERIFY2(registerComponentLibrary(TUNEDESK_PATH, &error), qPrintable(error));
    std::unique_ptr<QObject> obj = CreateObject("config.class");
    QVERIFY(obj);

    // The plugin carries its own copy of the window code, so the window is found by name.
    int options = 0, folders = 0;
    QStringList bad;
    std::function<void()> inspect = [&] {
        QWidget* win = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frm_modoptions" && w->isVisible())
                win = w;
        if (!win) {
            QTimer::singleShot(10, inspect);
            return;
        }
        auto* tree = win->findChild<QTreeWidget*>("optiontree");
        folders = tree->topLevelItemCount();
        for (int f = 0; f < folders; ++f) {
            for (int i = 0; i < tree->topLevelItem(f)->childCount(); ++i) {
                QTreeWidgetItem* item = tree->topLevelItem(f)->child(i);
                const QString key = item->data(0, Qt::UserRole).toString();
                const QString type = GetOptionType(key);
                ++options;
                if (type != "VALUE" && type != "CHECK" && type != "COMBO")
                    bad << item->text(0) + ": type " + type;
                if (type == "COMBO" && FillChoices(key).isEmpty())
                    bad << item->text(0) + ": no choices";
                if (type == "CHECK" && GetDefault(key) != "0" && GetDefault(key) != "1")
                    bad << item->text(0) + ": default " + GetDefault(key);
                tree->setCurrentItem(item);
                emit tree->itemClicked(item, 0);
                if (win->findChild<QLabel*>("desclbl")->text().isEmpty())
                    bad << item->text(0) + ": no description";
            }
        }
        auto* bar = win->findChild<QToolBar*>("Toolbar1");
        bar->findChild<QAction*>("return")->trigger();
    };
    QTimer::singleShot(0, inspect);
    CallByName(obj.get(), "main");
    QCOMPARE(bad, QStringList());
    QVERIFY2(options >= 120, qPrintable(QString::number(options)));
    QVERIFY(folders >= 8);
    // The load asked for the config file (none is set in this store).
    QCOMPARE(m_prompts->prompts.size(), 1);
}

void TestConfigWindow::closingWithChangesAsks()
{
    const QString cfg = writeFile(m_dir.filePath("c/q3config.cfg"), "seta cg_fov 100\n");
    SaveSetting("Fragdeck", "Options", "ConfigPath", cfg);
    open();
    click("Field of view"); // showing a value is no change
    m_prompts->clear();
    m_window->reject();
    QVERIFY(m_prompts->prompts.isEmpty());

    const std::pair<Answer, QByteArray> answers[] = {
        {Answer::Cancel, "seta cg_fov 100\n"},
        {Answer::No, "seta cg_fov 100\n"},
        {Answer::Yes, "seta cg_fov \"96\"\n"},
    };
    for (const auto& [answer, saved] : answers) {
        open();
        click("Field of view");
        child<QLineEdit>("val_value")->setText("96");
        m_prompts->clear();
        m_prompts->queue(answer);
        m_window->reject();
        QCOMPARE(m_prompts->texts().value(0), QString("Save your changed settings?"));
        QCOMPARE(m_window->isVisible(), answer == Answer::Cancel);
        QCOMPARE(readFile(cfg), saved);
        storeValue("Field of view", "100");
    }
}

void TestConfigWindow::notAConfigFileIsRefused_data()
{
    QTest::addColumn<bool>("atLoad");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("binary, opened") << false << false << "is not a config file";
    QTest::newRow("binary, at load") << true << false << "is not a config file";
    QTest::newRow("folder, at load") << true << true << "is a folder, not a file";
}

void TestConfigWindow::notAConfigFileIsRefused()
{
    QFETCH(bool, atLoad);
    QFETCH(bool, folder);
    QFETCH(QString, message);
    const QString good = writeFile(m_dir.filePath("b/good/q3config.cfg"), "seta cg_fov 100\n");
    const QString bad = m_dir.filePath("b/" + QString(QTest::currentDataTag()) + "/q3config.cfg");
    if (folder)
        QVERIFY(QDir().mkpath(bad));
    else
        writeFile(bad, QByteArray("\x7f"
                                  "ELF\x02\x01\x01\0\0\0\0\n\n",
                                  14));
    SaveSetting("Fragdeck", "Options", "ConfigPath", atLoad ? bad : good);
    open();
    if (!atLoad) {
        m_prompts->clear();
        m_prompts->queueFile(bad);
        toolbar("open");
    }
    QVERIFY2(m_prompts->texts().join("|").contains(message),
             qPrintable(m_prompts->texts().join("|")));
    QVERIFY(!m_prompts->texts().join("|").contains("File not found"));
    QCOMPARE(GetSetting("Fragdeck", "Options", "ConfigPath"), atLoad ? bad : good);
    QVERIFY(!QFileInfo::exists(bad + "_"));
    if (!folder)
        QCOMPARE(readFile(bad).size(), 14);
}

void TestConfigWindow::fullDiskSaveSaysSo()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString cfg = writeFile(disk.filePath("q3config.cfg"), "seta cg_fov \"110\"\n");
    QVERIFY(disk.fill());
    SaveSetting("Fragdeck", "Options", "ConfigPath", cfg);
    open();
    click("Field of view");
    child<QLineEdit>("val_value")->setText("96");
    m_prompts->clear();
    toolbar("save");
    QCOMPARE(m_prompts->prompts.size(), 1);
    const QString text = m_prompts->texts()[0];
    QVERIFY2(text.contains("No space left on device") && !text.contains("File not found"),
             qPrintable(text));
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov \"110\"\n"));
    m_prompts->queue(Answer::No);
}

QTEST_MAIN(TestConfigWindow)
#include "test_config_window.moc"
