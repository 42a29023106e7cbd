// The explorer's tree logic, and its window driven end to end over a real archive.
#include "ArchiveTree.h"
#include "CrateviewWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "testsupport/DemoWriter.h"
#include "testsupport/GameFolders.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::archive;
using fragdeck::test::ZipMember;

namespace
{

// A node as "key text parent-key path: files".
QStringList describe(const ArchiveTree& t)
{
    QStringList out;
    for (const FolderNode& n : t.nodes())
        out.append(QString("%1 %2 %3 %4: %5")
                       .arg(n.key, n.text,
                            n.parent < 0 ? QString("-") : t.nodes()[size_t(n.parent)].key,
                            n.path.isEmpty() ? QString("''") : n.path, n.files.join(',')));
    return out;
}

// Shows the explorer with `pk3` open and its root folder chosen; the list of its files.
QListWidget* showRoot(CrateviewWindow& form, const QString& pk3)
{
    form.show();
    form.openArchive(pk3);
    auto* folders = form.findChild<QTreeWidget*>("folders");
    folders->setCurrentItem(folders->topLevelItem(0));
    return form.findChild<QListWidget*>("files");
}

// Environment variables set for a test and put back after it.
class Environment
{
public:
    ~Environment()
    {
        for (auto it = m_old.cbegin(); it != m_old.cend(); ++it) {
            if (it.value().isNull())
                qunsetenv(it.key().constData());
            else
                qputenv(it.key().constData(), it.value());
        }
    }
    void set(const char* name, const QByteArray& value)
    {
        if (!m_old.contains(name))
            m_old.insert(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

private:
    QMap<QByteArray, QByteArray> m_old;
};

// A stand-in for the desktop's opener on a PATH of the test's own: it notes what it was
// asked to open and ends with the status the test wrote for it.
struct StandInOpener {
    QString bin, log, status;
    explicit StandInOpener(const QString& folder)
        : bin(folder + "/bin"), log(folder + "/opened.log"), status(folder + "/status")
    {
        test::writeFile(status, "0");
        test::fakeProgram(bin + "/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + log.toUtf8() +
                                                 "'\nexit $(/bin/cat '" + status.toUtf8() + "')\n");
    }
    QStringList opened() const
    {
        return QString::fromUtf8(test::readFile(log)).split('\n', Qt::SkipEmptyParts);
    }
};

// The desktop opener processes have ended.
bool openersDone()
{
    return QCoreApplication::instance()->findChildren<QProcess*>().isEmpty();
}

// Where an explorer test runs: a fresh store, a folder of its own, and environment
// variables put back afterwards.
struct Scratch {
    test::TempStore store;
    QTemporaryDir dir;
    Environment env;
};

} // namespace

class TestCrateview : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void treeFromMembers_data();
    void treeFromMembers();
    void treeHasNoFixedSize();
    void iconsAndActions_data();
    void iconsAndActions();
    void membersOfAFolder_data();
    void membersOfAFolder();
    void explorerEndToEnd();
    void textOpensWithTheDesktop();
    void editorFallbackNamesItsProgram();
    void extractFolderAndArchive();
    void smallPictureKeepsItsTitle();
    void demoMemberShowsItsSummary();
    void componentShowsTheExplorer();
};

void TestCrateview::treeFromMembers_data()
{
    QTest::addColumn<QStringList>("members");
    QTest::addColumn<QStringList>("nodes");
    QTest::newRow("one texture, no folder entries")
        << QStringList{"textures/base/wall.tga"}
        << QStringList{"root Root - '': ", "0a textures root textures: ",
                       "1a base 0a textures/base: wall.tga"};
    QTest::newRow("same folder name under two parents")
        << QStringList{"a/x/readme.txt", "b/x/notes.txt"}
        << QStringList{"root Root - '': ", "0a a root a: ", "1a x 0a a/x: readme.txt",
                       "2a b root b: ", "3a x 2a b/x: notes.txt"};
    QTest::newRow("folder entries first, ancestors before descendants")
        << QStringList{"maps/", "env/sky/", "maps/q3dm1.bsp", "", "env/sky/a.tga"}
        << QStringList{"root Root - '': ", "0a maps root maps: q3dm1.bsp",
                       "1a env root env: ", "2a sky 1a env/sky: a.tga"};
    QTest::newRow("top-level files and a folder named Root")
        << QStringList{"readme.txt", "Root/inner.txt", "autoexec.cfg"}
        << QStringList{"root Root - '': readme.txt,autoexec.cfg", "0a Root root Root: inner.txt"};
    QTest::newRow("a name twice in one folder is listed once")
        << QStringList{"s/a.wav", "s/b.wav", "s/a.wav"}
        << QStringList{"root Root - '': ", "0a s root s: a.wav,b.wav"};
    QTest::newRow("case tells folders apart")
        << QStringList{"Maps/a.bsp", "maps/b.bsp"}
        << QStringList{"root Root - '': ", "0a Maps root Maps: a.bsp", "1a maps root maps: b.bsp"};
}

void TestCrateview::treeFromMembers()
{
    QFETCH(QStringList, members);
    QFETCH(QStringList, nodes);
    ArchiveTree t;
    t.build(members + QStringList{"stale/slot.txt"}, int(members.size()));
    QCOMPARE(describe(t), nodes);
    // Every file shown opens the member it came from.
    for (const QString& m : members) {
        if (m.isEmpty() || m.endsWith('/'))
            continue;
        const qsizetype slash = m.lastIndexOf('/');
        const int node = t.find(slash < 0 ? QString() : m.left(slash));
        QVERIFY(node >= 0);
        QCOMPARE(t.memberPath(node, m.mid(slash + 1)), m);
    }
}

void TestCrateview::treeHasNoFixedSize()
{
    QStringList members;
    for (int f = 0; f < 250; ++f)
        for (int i = 0; i < 450; ++i)
            members.append(QString("d%1/f%2.tga").arg(f).arg(i));
    ArchiveTree t;
    t.build(members, int(members.size()));
    QCOMPARE(int(t.nodes().size()), 251);
    QCOMPARE(t.nodes().back().key, QString("249a"));
    QCOMPARE(t.nodes().back().files.size(), 450);
    QCOMPARE(t.nodes().back().files.last(), QString("f449.tga"));
}

void TestCrateview::iconsAndActions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("action");
    QTest::newRow("wav") << "beep.WAV"
                         << "wav" << int(FileAction::Sound);
    QTest::newRow("txt") << "readme.txt"
                         << "txt" << int(FileAction::TextEditor);
    QTest::newRow("cfg") << "autoexec.cfg"
                         << "cfg" << int(FileAction::TextEditor);
    QTest::newRow("shader") << "base.shader"
                            << "cfg" << int(FileAction::TextEditor);
    QTest::newRow("skin") << "head_default.skin"
                          << "cfg" << int(FileAction::TextEditor);
    QTest::newRow("tga") << "wall.tga"
                         << "tga" << int(FileAction::Picture);
    QTest::newRow("jpg") << "Q3DM1.JPG"
                         << "tga" << int(FileAction::Picture);
    QTest::newRow("bsp") << "q3dm1.bsp"
                         << "q3" << int(FileAction::Map);
    QTest::newRow("dm3") << "one.dm3"
                         << "demo" << int(FileAction::Demo);
    QTest::newRow("dm_68") << "two.dm_68"
                           << "demo" << int(FileAction::Demo);
    QTest::newRow("dm_71") << "three.DM_71"
                           << "demo" << int(FileAction::Demo);
    QTest::newRow("md3") << "head.md3"
                         << "default" << int(FileAction::AskTextEditor);
    QTest::newRow("no extension") << "LICENSE"
                                  << "default" << int(FileAction::AskTextEditor);
}

void TestCrateview::iconsAndActions()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    QFETCH(int, action);
    QCOMPARE(fileIconKey(name), icon);
    QCOMPARE(int(fileActionFor(name)), action);
}

void TestCrateview::membersOfAFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("members");
    QTest::newRow("root: everything") << ""
                                      << QStringList{"readme.txt", "textures/", "textures/a.tga",
                                                     "textures/base/b.tga", "texturesx/c.tga"};
    QTest::newRow("a folder and its subfolders")
        << "textures" << QStringList{"textures/a.tga", "textures/base/b.tga"};
    QTest::newRow("a subfolder") << "textures/base" << QStringList{"textures/base/b.tga"};
    QTest::newRow("no such folder") << "sound" << QStringList{};
}

void TestCrateview::membersOfAFolder()
{
    QFETCH(QString, folder);
    QStringList listing{"readme.txt",      "textures/", "textures/a.tga",     "textures/base/b.tga",
                        "texturesx/c.tga", "",          "after/the/count.txt"};
    QTEST(membersBelow(listing, 6, folder), "members");
}

void TestCrateview::explorerEndToEnd()
{
    Scratch s;
    s.env.set("HOME", QFile::encodeName(s.dir.filePath("home")));
    // A text editor of the user's: VISUAL in a terminal, both on a PATH of the test's own.
    const QString bin = s.dir.filePath("bin");
    test::fakeProgram(bin + "/myedit");
    test::fakeProgram(bin + "/xterm");
    s.env.set("PATH", QFile::encodeName(bin));
    s.env.set("VISUAL", "myedit");
    const QString game = test::fakeProgram(s.dir.filePath("game/ioquake3"));
    QDir().mkpath(s.dir.filePath("game/baseq3"));
    SaveSetting("Fragdeck", "Options", "Q3path", game);

    const QString longName = "models/players/" + QString(55, 'n') + "/lower_default.skin";
    const QString pk3 = s.dir.filePath("game/baseq3/pak9.pk3");
    QVERIFY(test::writeZip(pk3, {{"textures/base/wall.tga", test::tgaBytes(Qt::gray, 256, 128)},
                                 {"readme.txt", "read me"},
                                 {"sound/beep.wav", "RIFF"},
                                 {"scripts/base.shader", "shader"},
                                 {"maps/q3dm1.bsp", "IBSP"},
                                 {"maps/x;echo INJECTED;quit.bsp", "IBSP"},
                                 {"demos/one.dm_68", "demo"},
                                 {"demos/two.dm3", "demo"},
                                 {"models/head.md3", "IDP3"},
                                 {longName, "skin"},
                                 {"a/x/readme.txt", "a"},
                                 {"b/x/notes.txt", "notes"}}));

    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    test::SoundRecorder sounds;
    const QString comp = s.dir.filePath("system");
    QDir().mkpath(comp);
    CrateviewWindow form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.objectName(), QString("Form1"));
    QCOMPARE(form.windowTitle(), QString("Crateview"));
    auto* folders = form.findChild<QTreeWidget*>("folders");
    auto* files = form.findChild<QListWidget*>("files");
    auto* open = form.findChild<QAction*>("open");
    auto* extract = form.findChild<QAction*>("extract");
    QVERIFY(folders && files && open && extract && form.findChild<QWidget*>("Toolbar1") &&
            form.findChild<QWidget*>("Frame1"));
    QCOMPARE(open->toolTip(), QString("Open a PK3 file"));
    QCOMPARE(extract->toolTip(), QString("Extract a file"));

    // A cancelled dialog changes nothing; then the archive is opened.
    prompts.queueCancel();
    open->trigger();
    QCOMPARE(form.windowTitle(), QString("Crateview"));
    const Prompt dialog = prompts.prompts.first();
    QCOMPARE(dialog.kind, Prompt::OpenFile);
    QCOMPARE(test::fileDialogOf(dialog),
             (QStringList{"Open PK3 file", "pk3 file", "*.pk3|*.pk3",
                          s.dir.filePath("game/baseq3/"), "must exist"}));
    prompts.queueFile(pk3);
    open->trigger();
    QCOMPARE(form.windowTitle(), "Crateview - " + pk3);
    prompts.clear();

    auto node = [&](const QString& path) -> QTreeWidgetItem* {
        const int index = form.tree().find(path);
        for (QTreeWidgetItemIterator it(folders); *it; ++it)
            if ((*it)->data(0, Qt::UserRole + 2).toInt() == index)
                return *it;
        return nullptr;
    };
    auto clickFolder = [&](const QString& path) {
        QTreeWidgetItem* item = node(path);
        QVERIFY(item);
        folders->scrollToItem(item);
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {},
                          folders->visualItemRect(item).center());
    };
    auto listed = [&] {
        QStringList out;
        for (int i = 0; i < files->count(); ++i)
            out.append(files->item(i)->text() + "=" +
                       files->item(i)->data(Qt::UserRole + 3).toString());
        return out;
    };
    auto fileRect = [&](const QString& name) {
        const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
        return items.isEmpty() ? QRect() : files->visualItemRect(items.first());
    };
    auto dblClick = [&](const QString& name) {
        const QRect r = fileRect(name);
        QVERIFY2(r.isValid(), qPrintable(name));
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, r.center());
    };
    const QString temp = form.scratchFolder() + "/temp/";
    // Nothing is made in the program's folder: it is read-only once installed.
    QCOMPARE(form.scratchFolder(), s.store.dataHome() + "/fragdeck/crateview");
    const QString extracted = s.store.dataHome() + "/fragdeck/extracted/";
    QCOMPARE(form.extractedFolder() + '/', extracted);

    QTreeWidgetItem* root = folders->topLevelItem(0);
    QCOMPARE(root->text(0), QString("Root"));
    QCOMPARE(root->data(0, Qt::UserRole).toString(), QString("root"));
    clickFolder("textures/base");
    QCOMPARE(node("textures/base")->parent()->text(0), QString("textures"));
    QCOMPARE(listed(), QStringList{"wall.tga=tga"});

    // A picture opens in the viewer, sized to it.
    QSize viewerPicture;
    QString viewerName, viewerTitle;
    test::onNextModal([&](QWidget* modal) {
        viewerName = modal->objectName();
        viewerTitle = modal->windowTitle();
        if (auto* box = modal->findChild<PictureBox*>("Picture1"))
            viewerPicture = QSize(box->twipsWidth(), box->twipsHeight());
    });
    dblClick("wall.tga");
    QCOMPARE(viewerName, QString("frm_pic"));
    QCOMPARE(viewerTitle, QString("View file"));
    QCOMPARE(viewerPicture, QSize(3900, 1980));
    QVERIFY(QFileInfo::exists(temp + "wall.tga"));

    // Root: the top-level readme opens in the editor and extracts as "readme.txt".
    clickFolder("");
    QCOMPARE(form.folderPath(), QString("Root/"));
    QVERIFY(listed().contains("readme.txt=txt"));
    dblClick("readme.txt");
    QVERIFY(!QFileInfo::exists(temp + "wall.tga")); // the scratch folder is emptied first
    QCOMPARE(test::readFile(temp + "readme.txt"), QByteArray("read me"));
    QCOMPARE(processes.requests.size(), 1);
    QCOMPARE(processes.requests[0].program, bin + "/xterm");
    QCOMPARE(processes.requests[0].arguments,
             (QStringList{"-e", bin + "/myedit", temp + "readme.txt"}));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, fileRect("readme.txt").center());
    extract->trigger();
    QCOMPARE(prompts.texts(), QStringList{"File saved as " + extracted + "readme.txt"});
    QCOMPARE(prompts.prompts[0].title, QString("File saved"));
    QCOMPARE(prompts.prompts[0].icon, Icon::Information);
    QCOMPARE(test::readFile(extracted + "readme.txt"), QByteArray("read me"));
    QCOMPARE(QDir(comp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    prompts.clear();
    processes.requests.clear();

    // Double-clicking empty space does nothing; neither does extract with nothing chosen.
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      QPoint(files->viewport()->width() - 3, files->viewport()->height() - 3));
    extract->trigger();
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {},
                       QPoint(files->viewport()->width() - 3, files->viewport()->height() - 3));
    QVERIFY(prompts.prompts.isEmpty());
    QVERIFY(processes.requests.isEmpty());

    // Sound, map and demos.
    clickFolder("sound");
    dblClick("beep.wav");
    QCOMPARE(sounds.played, QStringList{temp + "beep.wav"});
    clickFolder("maps");
    dblClick("q3dm1.bsp");
    clickFolder("demos");
    QCOMPARE(listed(), (QStringList{"one.dm_68=demo", "two.dm3=demo"}));
    dblClick("one.dm_68");
    dblClick("two.dm3");
    QCOMPARE(processes.commandLines(), (QStringList{game + " +map q3dm1", game + " +demo one.dm_68",
                                                    game + " +demo two.dm3"}));
    QCOMPARE(processes.requests[0].workingFolder, s.dir.filePath("game/"));
    processes.requests.clear();
    // A name from the archive that would end the game's argument never reaches the game.
    prompts.clear();
    clickFolder("maps");
    dblClick("x;echo INJECTED;quit.bsp");
    QVERIFY(processes.requests.isEmpty());
    QCOMPARE(prompts.texts().size(), 1);
    QVERIFY2(prompts.texts()[0].contains("\"x;echo INJECTED;quit\" cannot be given to the game"),
             qPrintable(prompts.texts()[0]));
    prompts.clear();
    // A game path of 10 characters or fewer starts nothing.
    SaveSetting("Fragdeck", "Options", "Q3path", "/q/quake3");
    clickFolder("maps");
    dblClick("q3dm1.bsp");
    QVERIFY(processes.requests.isEmpty());
    SaveSetting("Fragdeck", "Options", "Q3path", game);

    // A shader opens in the editor; an unknown type asks first.
    clickFolder("scripts");
    dblClick("base.shader");
    QCOMPARE(processes.requests.size(), 1);
    clickFolder("models");
    prompts.queue(Answer::No);
    dblClick("head.md3");
    QCOMPARE(prompts.texts(), QStringList{"Unsupported filetype. Do you want to open the file "
                                          "with the desktop's text editor?"});
    QCOMPARE(prompts.prompts[0].title, "Crateview - " + pk3);
    QCOMPARE(prompts.prompts[0].buttons, Buttons::YesNo);
    QCOMPARE(prompts.prompts[0].icon, Icon::Question);
    QCOMPARE(processes.requests.size(), 1);
    prompts.queue(Answer::Yes);
    dblClick("head.md3");
    QCOMPARE(processes.requests.size(), 2);
    QCOMPARE(processes.requests[1].arguments.last(), temp + "head.md3");
    prompts.clear();

    // Folders of one name stay apart, and a long name opens whole.
    clickFolder("b/x");
    QCOMPARE(listed(), QStringList{"notes.txt=txt"});
    dblClick("notes.txt");
    QCOMPARE(test::readFile(temp + "notes.txt"), QByteArray("notes"));
    clickFolder("models/players/" + QString(55, 'n'));
    dblClick("lower_default.skin");
    QCOMPARE(test::readFile(temp + "lower_default.skin"), QByteArray("skin"));
    QVERIFY(prompts.prompts.isEmpty());

    // The archive changed on disk since it was listed: nothing is saved, and it says so.
    QVERIFY(test::writeZip(pk3, {{"other.txt", "o"}}));
    clickFolder("b/x");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, fileRect("notes.txt").center());
    extract->trigger();
    QCOMPARE(prompts.prompts.size(), 1); // one message, not a bare code first
    QCOMPARE(prompts.prompts[0].title, QString("File not saved"));
    QVERIFY(prompts.prompts[0].text.startsWith("Nothing was saved: b/x/notes.txt"));
    QVERIFY(!prompts.prompts[0].text.contains("//"));
    QVERIFY(!QFileInfo::exists(extracted + "notes.txt"));

    // Opening another archive starts with an empty file list.
    prompts.clear();
    prompts.queueFile(pk3);
    open->trigger();
    QCOMPARE(files->count(), 0);
    QCOMPARE(folders->topLevelItem(0)->text(0), QString("Root"));
    QCOMPARE(form.tree().nodes()[0].files, QStringList{"other.txt"});
}

void TestCrateview::textOpensWithTheDesktop()
{
    Scratch s;
    StandInOpener opener(s.dir.path());
    s.env.set("PATH", QFile::encodeName(opener.bin));
    const QString pk3 = s.dir.filePath("pak9.pk3");
    QVERIFY(test::writeZip(pk3, {{"readme.txt", "read me"}, {"bots.arena", "{ map q3dm1 }"}}));
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    CrateviewWindow form;
    QListWidget* files = showRoot(form, pk3);
    auto dblClick = [&](const QString& name) {
        const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {},
                           files->visualItemRect(items.first()).center());
    };
    const QString temp = form.scratchFolder() + "/temp/";

    // The desktop opens it, and all is well.
    dblClick("readme.txt");
    QTRY_VERIFY(openersDone());
    QCOMPARE(opener.opened(), QStringList{temp + "readme.txt"});
    QCOMPARE(prompts.texts(), QStringList());
    QVERIFY(processes.requests.isEmpty()); // no editor besides

    // No program for the type: the opener's failure is told, naming the file.
    test::writeFile(opener.status, "3");
    dblClick("readme.txt");
    QTRY_COMPARE(prompts.texts(),
                 QStringList{"The desktop could not open " + temp +
                             "readme.txt: no program is set up for this type of file (xdg-open "
                             "ended with status 3)."});
    QCOMPARE(prompts.prompts[0].icon, Icon::Warning);
    prompts.clear();

    // An unknown type, opened as text: the desktop gets a text copy of it.
    test::writeFile(opener.status, "0");
    prompts.queue(Answer::Yes);
    dblClick("bots.arena");
    QTRY_VERIFY(openersDone());
    QCOMPARE(prompts.texts().size(), 1);
    QCOMPARE(opener.opened().last(), temp + "bots.arena.txt");
    QCOMPARE(test::readFile(temp + "bots.arena.txt"), QByteArray("{ map q3dm1 }"));
    QVERIFY(processes.requests.isEmpty());
}

void TestCrateview::editorFallbackNamesItsProgram()
{
    Scratch s;
    // No desktop opener; the user's editor in a terminal.
    const QString bin = s.dir.filePath("bin");
    test::fakeProgram(bin + "/myedit");
    test::fakeProgram(bin + "/xterm");
    s.env.set("PATH", QFile::encodeName(bin));
    s.env.set("VISUAL", "myedit");
    s.env.set("EDITOR", QByteArray());
    const QString pk3 = s.dir.filePath("pak9.pk3");
    QVERIFY(test::writeZip(pk3, {{"readme.txt", "read me"}}));
    test::PromptRecorder prompts;
    test::ProcessRecorder processes;
    processes.succeed = false;
    CrateviewWindow form;
    QListWidget* files = showRoot(form, pk3);
    const QRect r = files->visualItemRect(files->item(0));
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, r.center());
    const QString file = form.scratchFolder() + "/temp/readme.txt";
    QCOMPARE(processes.requests.size(), 1);
    QCOMPARE(prompts.texts(), QStringList{"The text editor \"xterm -e myedit\" could not be "
                                          "started to open " +
                                          file + ": not started (test)"});
    prompts.clear();

    // Neither an opener nor an editor: it says what is missing.
    s.env.set("VISUAL", QByteArray());
    QFile::remove(bin + "/myedit");
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(prompts.texts().size(), 1);
    QVERIFY2(prompts.texts()[0].startsWith("No program was found to open " + file +
                                           ": the desktop has no opener (xdg-open)"),
             qPrintable(prompts.texts()[0]));
    QCOMPARE(processes.requests.size(), 1);
}

void TestCrateview::extractFolderAndArchive()
{
    Scratch s;
    s.env.set("HOME", QFile::encodeName(s.dir.filePath("home")));
    const QString pk3 = s.dir.filePath("pak9.pk3");
    QVERIFY(test::writeZip(pk3, {{"textures/", {}},
                                 {"textures/base/wall.tga", "wall"},
                                 {"textures/sky.jpg", "sky"},
                                 {"texturesx/other.tga", "other"},
                                 {"readme.txt", "read me"}}));
    test::PromptRecorder prompts;
    CrateviewWindow form;
    form.show();
    auto* folderAction = form.findChild<QAction*>("extractfolder");
    auto* allAction = form.findChild<QAction*>("extractall");
    QVERIFY(folderAction && allAction);
    QCOMPARE(allAction->toolTip(), QString("Extract the whole archive into a folder you choose"));
    QVERIFY(!folderAction->isEnabled() && !allAction->isEnabled()); // no archive yet
    form.openArchive(pk3);
    QVERIFY(allAction->isEnabled());
    QVERIFY(!folderAction->isEnabled()); // no folder chosen yet
    auto* folders = form.findChild<QTreeWidget*>("folders");
    const int textures = form.tree().find("textures");
    for (QTreeWidgetItemIterator it(folders); *it; ++it)
        if ((*it)->data(0, Qt::UserRole + 2).toInt() == textures)
            folders->setCurrentItem(*it);
    QVERIFY(folderAction->isEnabled());

    // A cancelled folder dialog extracts nothing.
    prompts.queueCancel();
    folderAction->trigger();
    QCOMPARE(prompts.prompts.size(), 1);
    const Prompt dialog = prompts.prompts[0];
    QCOMPARE(dialog.kind, Prompt::OpenFile);
    QVERIFY(dialog.file.chooseFolder);
    QCOMPARE(dialog.file.title, QString("Extract the folder textures into"));
    QCOMPARE(dialog.file.initialFolder, s.dir.filePath("home"));
    prompts.clear();

    // The folder with its subfolder, paths kept.
    const QString target = s.dir.filePath("mine");
    prompts.queueFile(target + "/");
    folderAction->trigger();
    QCOMPARE(prompts.prompts.size(), 2);
    QCOMPARE(prompts.texts().last(), "2 files of the folder textures saved in " + target + ".");
    QCOMPARE(prompts.prompts[1].title, QString("Files saved"));
    QCOMPARE(test::readFile(target + "/textures/base/wall.tga"), QByteArray("wall"));
    QCOMPARE(test::readFile(target + "/textures/sky.jpg"), QByteArray("sky"));
    QVERIFY(!QFileInfo::exists(target + "/texturesx"));
    QVERIFY(!QFileInfo::exists(target + "/readme.txt"));
    prompts.clear();

    // The whole archive into the same folder; the next dialog starts there. What is there
    // already is replaced only when the player says so.
    test::writeFile(target + "/textures/sky.jpg", "mine");
    prompts.responder = [&target](const Prompt& p) {
        if (p.kind == Prompt::OpenFile)
            return PromptReply{Answer::Ok, target};
        return PromptReply{p.text.contains("sky.jpg") ? Answer::No : Answer::Yes, QString()};
    };
    allAction->trigger();
    prompts.responder = nullptr;
    QCOMPARE(prompts.prompts[0].file.initialFolder, target);
    QCOMPARE(prompts.prompts[0].file.title, QString("Extract pak9.pk3 into"));
    QCOMPARE(prompts.titles().mid(1, 2),
             (QStringList{"VBUnzip - File already exists", "VBUnzip - File already exists"}));
    QCOMPARE(prompts.prompts.size(), 4);
    QCOMPARE(prompts.texts().last(), "3 files of pak9.pk3 saved in " + target + ".");
    QCOMPARE(test::readFile(target + "/textures/sky.jpg"), QByteArray("mine"));
    QCOMPARE(test::readFile(target + "/texturesx/other.tga"), QByteArray("other"));
    QCOMPARE(test::readFile(target + "/readme.txt"), QByteArray("read me"));
    prompts.clear();

    // Into a folder that cannot be made: nothing saved, and it says why.
    test::writeFile(s.dir.filePath("afile"), "x");
    prompts.queueFile(s.dir.filePath("afile/sub"));
    allAction->trigger();
    QCOMPARE(prompts.prompts.size(), 2);
    QCOMPARE(prompts.prompts[1].title, QString("Files not saved"));
    QVERIFY2(prompts.texts()[1].startsWith("Nothing was saved: pak9.pk3 could not be extracted"),
             qPrintable(prompts.texts()[1]));
    QCOMPARE(prompts.prompts[1].icon, Icon::Error);
    // The extract-one slots are as they were.
    QCOMPARE(form.unzip().ExtractNames.size(), 100);
}

void TestCrateview::smallPictureKeepsItsTitle()
{
    QTemporaryDir dir;
    const QString picture =
        test::writeFile(dir.filePath("small.tga"), test::tgaBytes(Qt::gray, 128, 128));
    PictureViewer viewer(picture);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.loaded());
    QCOMPARE(viewer.picture()->size(), QSize(132, 132));
    // Room for "View file" and the title bar's buttons, the picture in the middle.
    const int title = QFontMetrics(QApplication::font()).horizontalAdvance(viewer.windowTitle());
    QVERIFY2(viewer.width() >= title + 150, qPrintable(QString::number(viewer.width())));
    QVERIFY(viewer.minimumWidth() >= title + 150);
    const QPoint centre = viewer.picture()->mapTo(&viewer, viewer.picture()->rect().center());
    QVERIFY2(qAbs(centre.x() - viewer.width() / 2) <= 2,
             qPrintable(QString("%1 of %2").arg(centre.x()).arg(viewer.width())));
}

void TestCrateview::demoMemberShowsItsSummary()
{
    test::TempStore store;
    QTemporaryDir dir;
    test::DemoWriter demo;
    demo.gameState(test::standardStrings("ctf9", "^4Blue^7Hill", 4, 70, {{"Ann", 1}, {"Ben", 2}}),
                   1, 2);
    demo.message({{3, "cs 6 \"2\""}, {4, "cs 7 \"0\""}}, 5000);
    demo.message({}, 105000);
    demo.endMarker();
    const QString pk3 = dir.filePath("pak9.pk3");
    QVERIFY(test::writeZip(
        pk3, {{"demos/match.dm_70", demo.bytes()},
              {"demos/junk.dm_68", "junk"},
              {"demos/hostile.dm_68", test::simpleDemo("<img src=\"/dev/zero\">", "<b>x</b>", {})},
              {"demos/readme.txt", "read me"}}));
    CrateviewWindow form;
    form.show();
    form.openArchive(pk3);
    auto* folders = form.findChild<QTreeWidget*>("folders");
    auto* files = form.findChild<QListWidget*>("files");
    auto* summary = form.findChild<QLabel*>("demosummary");
    QVERIFY(summary);
    QVERIFY(!summary->isVisible());
    const int index = form.tree().find("demos");
    for (QTreeWidgetItemIterator it(folders); *it; ++it)
        if ((*it)->data(0, Qt::UserRole + 2).toInt() == index)
            folders->setCurrentItem(*it);
    auto select = [&](const QString& name) {
        const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        files->setCurrentItem(items.first());
    };

    select("match.dm_70");
    QVERIFY(summary->isVisible());
    QVERIFY(summary->text().contains("Map: ctf9"));
    QVERIFY(summary->text().contains("Server: BlueHill"));
    QVERIFY(summary->text().contains("Recorded by: Ben"));
    QVERIFY(summary->text().contains("Players (2): Ann (red), Ben (blue)"));
    QTRY_VERIFY(summary->text().contains("Length: 1:40"));
    QVERIFY(summary->text().contains("Score: red 2, blue 0"));
    QVERIFY(summary->geometry().top() >= files->geometry().bottom());

    // The demo's own names are text, never markup (a picture it names is never read).
    select("hostile.dm_68");
    summary->grab();
    QCOMPARE(summary->textFormat(), Qt::PlainText);
    QVERIFY(summary->text().contains("Map: <img src=\"/dev/zero\">"));
    QVERIFY(summary->text().contains("Server: <b>x</b>"));

    select("junk.dm_68");
    QVERIFY(summary->isVisible());
    QVERIFY(summary->text().startsWith("not a readable demo"));

    select("readme.txt");
    QVERIFY(!summary->isVisible());
}

void TestCrateview::componentShowsTheExplorer()
{
    test::TempStore store;
    QStringList parts;
    QCOMPARE(
        test::modalShownBy("crateview", "crateview.Class", "Main", QString(),
                           [&parts](QWidget* modal) {
                               for (const char* name : {"Frame1", "Toolbar1", "folders", "files"})
                                   if (modal->findChild<QWidget*>(name))
                                       parts << name;
                           }),
        QString("Form1|Crateview"));
    QCOMPARE(parts, (QStringList{"Frame1", "Toolbar1", "folders", "files"}));
}

QTEST_MAIN(TestCrateview)
#include "test_crateview.moc"
