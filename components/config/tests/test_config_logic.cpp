// Option definitions, the working copy, reading and saving q3config.cfg against real files
// and a real store in a temporary XDG_CONFIG_HOME.
#include "ConfigFile.h"
#include "GlyphCode.h"
#include "OptionDefs.h"
#include "StoredOption.h"
#include "core/Settings.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::config;
using fragdeck::test::crlf;
using fragdeck::test::readFile;
using fragdeck::test::writeFile;

namespace
{

// One folder "F" and the given records.
QByteArray defs(const QList<QStringList>& records, const QStringList& folders = {"F"})
{
    QStringList lines = folders;
    lines << "---";
    for (const QStringList& r : records)
        lines << r;
    return crlf(lines);
}

QStringList valueRec(const QString& caption, const QString& var, const QString& def)
{
    return {"F", caption, "about " + caption, var, "r5", "VALUE", def};
}

QStringList checkRec(const QString& caption, const QString& var, const QString& def)
{
    return {"F", caption, "about " + caption, var, "x", "CHECK", "y", def};
}

} // namespace

class TestConfigLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_store.reset(new test::TempStore); }
    void cleanup() { m_store.reset(); }

    void recordAccessors_data();
    void recordAccessors();
    void twelfthRecordKey();
    void definitionFileShapes();
    void listFilesAndChoices();
    void descriptionTable();
    void missingDefinitionsFile();

    void workingCopy_data();
    void workingCopy();
    void lineOwnership_data();
    void lineOwnership();
    void readingValues_data();
    void readingValues();
    void lastLineWinsAtLoadAndOpen();
    void unreadableFileLeavesStoreAlone();

    void savedBytes();
    void saveKeepsOtherLinesDropsBlanks();
    void saveFailuresChangeNothing();
    void saveOnAFullDiskKeepsTheFile();
    void nameMakerThenEditorKeepTheNewName();
    void roundTripOfARealConfig_data();
    void roundTripOfARealConfig();
    void resetStoresDefaults();

    void valuesBelongToTheirFile();
    void saveWritesOnlyWhatChanged_data();
    void saveWritesOnlyWhatChanged();
    void notAConfigFileIsRefused_data();
    void notAConfigFileIsRefused();
    void missingFolderIsNamed();

private:
    std::unique_ptr<test::TempStore> m_store;
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void TestConfigLogic::recordAccessors_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("var");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("def");
    QTest::newRow("value") << "cg_fov?r?VALUE?3?90"
                           << "cg_fov"
                           << "VALUE"
                           << "3"
                           << "90";
    QTest::newRow("combo") << "snaps?r?COMBO?7?2?20?40?res?20"
                           << "snaps"
                           << "COMBO"
                           << "7"
                           << "20";
    QTest::newRow("folder key") << "HUD"
                                << ""
                                << ""
                                << ""
                                << "";
    QTest::newRow("two fields") << "a?b"
                                << "a"
                                << ""
                                << ""
                                << "b";
    QTest::newRow("three fields") << "a?b?C"
                                  << "a"
                                  << ""
                                  << ""
                                  << "C";
    QTest::newRow("empty default") << "sv_dlURL?r?VALUE?9?"
                                   << "sv_dlURL"
                                   << "VALUE"
                                   << "9"
                                   << "";
}

void TestConfigLogic::recordAccessors()
{
    QFETCH(QString, record);
    QFETCH(QString, var);
    QFETCH(QString, type);
    QFETCH(QString, number);
    QFETCH(QString, def);
    QCOMPARE(GetVarName(record), var);
    QCOMPARE(GetOptionType(record), type);
    QCOMPARE(GetOptionNumber(record), number);
    QCOMPARE(GetDefault(record), def);
}

void TestConfigLogic::twelfthRecordKey()
{
    QList<QStringList> recs;
    for (int i = 1; i <= 11; ++i)
        recs << valueRec(QString("O%1").arg(i), QString("v%1").arg(i), "0");
    recs << QStringList{"F", "Show FPS", "Frames per second", "cg_drawfps", "x", "CHECK", "y", "0"};
    writeFile(path("twelve.dat"), defs(recs));
    const OptionSet set = OpenOptions(path("twelve.dat"));
    QCOMPARE(set.options.size(), 12);
    const QString key = set.options[11].key;
    QCOMPARE(key, QString("cg_drawfps?x?CHECK?12?y?0"));
    QCOMPARE(GetDefault(key), QString("0"));
    QCOMPARE(GetOptionType(key), QString("CHECK"));
    QCOMPARE(set.descriptions[12], QString("Frames per second"));
}

void TestConfigLogic::definitionFileShapes()
{
    // " ---" is a folder; a repeated folder adds no second node; "value" is no type;
    // an option whose folder is unknown is hidden but keeps its number.
    QStringList lines = {"A", " ---", "A", "B", "---"};
    lines << QStringList{"A", "Same", "d1", "v1", "r", "VALUE", "1"};
    lines << QStringList{" ---", "Same", "d2", "v2", "r", "VALUE", "2"};
    lines << QStringList{"Nowhere", "Lost", "d3", "v3", "r", "VALUE", "3"};
    lines << QStringList{"B", "Lower", "d4", "v4", "r", "value"};
    lines << QStringList{"B", "Last", "d5", "v5", "r", "CHECK", "y"}; // file ends inside it
    writeFile(path("shapes.dat"), crlf(lines));
    const OptionSet set = OpenOptions(path("shapes.dat"));
    QCOMPARE(set.folders, QStringList({"A", " ---", "B"}));
    QVERIFY(set.folderEndFound);
    QCOMPARE(set.recordsRead, 5);
    QStringList captions, keys;
    for (const OptionEntry& o : set.options) {
        captions << o.caption;
        keys << o.key;
    }
    QCOMPARE(captions, QStringList({"Same", "Same", "Lower", "Last"}));
    QCOMPARE(keys,
             QStringList({"v1?r?VALUE?1?1", "v2?r?VALUE?2?2", "v4?r?value?4?", "v5?r?CHECK?5?y?"}));
    QCOMPARE(set.descriptions[3], QString("d3"));

    // Bare LF line ends in the definitions file read the same.
    QByteArray lf = readFile(path("shapes.dat"));
    lf.replace("\r\n", "\n");
    writeFile(path("shapes_lf.dat"), lf);
    QCOMPARE(OpenOptions(path("shapes_lf.dat")).options.size(), 4);
}

void TestConfigLogic::listFilesAndChoices()
{
    writeFile(path("list/rates.lst"), crlf({"3", "3000", "8000", "25000", "extra"}));
    QStringList lines = {"N", "---"};
    lines << QStringList{"N",     "Rate", "d",         "rate", "r",
                         "COMBO", "FILE", "rates.lst", "res",  "25000"};
    lines << QStringList{"N", "Missing", "d", "m", "r", "COMBO", "FILE", "none.lst", "res", "1"};
    // The count says 4 but only 2 choices follow: the next record's lines become choices.
    lines << QStringList{"N",       "Short", "d",  "snaps", "r",   "COMBO",
                         "ENTRIES", "4",     "20", "40",    "res", "20"};
    lines << QStringList{"N", "After", "d", "after", "r", "VALUE", "7"};
    writeFile(path("list/options.dat"), crlf(lines));
    const OptionSet set = OpenOptions(path("list/options.dat"), path("list"));
    QCOMPARE(set.options.size(), 3);
    QCOMPARE(set.recordsRead, 4);
    QCOMPARE(set.options[0].key, QString("rate?r?COMBO?1?3?3000?8000?25000?extra?res?25000"));
    QCOMPARE(FillChoices(set.options[0].key), QStringList({"3000", "8000", "25000"}));
    QCOMPARE(GetDefault(set.options[0].key), QString("25000"));
    QCOMPARE(FillChoices(set.options[1].key), QStringList());
    QCOMPARE(FillChoices(set.options[2].key), QStringList({"20", "40", "res", "20"}));
    QCOMPARE(GetDefault(set.options[2].key), QString("After"));

    // A count far beyond the file ends at the file's end.
    writeFile(path("list/huge.dat"),
              crlf({"N", "---", "N", "Huge", "d", "h", "r", "COMBO", "ENTRIES", "999999999", "a"}));
    const OptionSet huge = OpenOptions(path("list/huge.dat"));
    QCOMPARE(huge.options.size(), 1);
    QCOMPARE(FillChoices(huge.options[0].key),
             QStringList({"a", ""})); // then the empty reserved line
    QCOMPARE(FillChoices("snaps?r?COMBO?1?9?20?res?20"), QStringList({"20", "res"}));
}

void TestConfigLogic::descriptionTable()
{
    QList<QStringList> recs;
    for (int i = 1; i <= 1001; ++i)
        recs << valueRec(QString("O%1").arg(i), QString("v%1").arg(i), "0");
    writeFile(path("many.dat"), defs(recs));
    const OptionSet set = OpenOptions(path("many.dat"));
    QCOMPARE(set.options.size(), 1001);
    QCOMPARE(set.descriptions.size(), 1001);
    QCOMPARE(set.descriptionFor("1000"), QString("about O1000"));
    QVERIFY(set.descriptionFor("1001").isNull());
    QCOMPARE(set.descriptionFor(""), QString(""));
    QVERIFY(!set.descriptionFor("").isNull());
}

void TestConfigLogic::missingDefinitionsFile()
{
    const OptionSet set = OpenOptions(path("nothing-here.dat"));
    QVERIFY(!set.fileRead);
    QVERIFY(!set.error.isEmpty());
    QVERIFY(set.options.isEmpty());
    writeFile(path("noend.dat"), crlf({"A", "B"}));
    const OptionSet noEnd = OpenOptions(path("noend.dat"));
    QVERIFY(noEnd.fileRead);
    QVERIFY(!noEnd.folderEndFound);
    QCOMPARE(noEnd.folders, QStringList({"A", "B"}));
}

void TestConfigLogic::workingCopy_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QByteArray>("copy");
    QTest::newRow("crlf trimmed, blanks gone")
        << QByteArray("  seta a \"1\"  \r\n\r\n   \r\nbind x y\r\n")
        << QByteArray("seta a \"1\"\r\nbind x y\r\n");
    QTest::newRow("bare lf kept") << QByteArray("seta a \"1\"\n  seta b 2\n\nbind x y\n")
                                  << QByteArray("seta a \"1\"\nseta b 2\nbind x y\n");
    QTest::newRow("lone cr kept") << QByteArray("a\rb") << QByteArray("a\rb\r");
    QTest::newRow("tabs are kept")
        << QByteArray("\tseta a 1\t\r\n") << QByteArray("\tseta a 1\t\r\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("latin-1 bytes") << QByteArray("seta name \"J\xe9r\xf4me\"\r\n")
                                   << QByteArray("seta name \"J\xe9r\xf4me\"\r\n");
    QTest::newRow("mixed ends kept per line")
        << QByteArray("a\r\nb\nc\rd") << QByteArray("a\r\nb\nc\rd\r\n");
}

void TestConfigLogic::workingCopy()
{
    QFETCH(QByteArray, config);
    const QString cfg = writeFile(path("wc/q3config.cfg"), config);
    QVERIFY(MakeWorkingCopy(cfg));
    QCOMPARE(workingCopyPath(cfg), cfg + "_");
    QFETCH(QByteArray, copy);
    QCOMPARE(readFile(cfg + "_"), copy);
    QCOMPARE(readFile(cfg), config);
}

void TestConfigLogic::lineOwnership_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("belongs");
    QTest::newRow("space") << "seta r_mode \"4\"" << true;
    QTest::newRow("tab") << "seta r_mode\t4" << true;
    QTest::newRow("capitals") << "SETA R_MODE 4" << true;
    QTest::newRow("longer name") << "seta r_modeFullscreen \"1\"" << false;
    QTest::newRow("name only") << "seta r_mode" << false;
    QTest::newRow("set, not seta") << "set r_mode 4" << false;
    QTest::newRow("two spaces after seta") << "seta  r_mode 4" << false;
}

void TestConfigLogic::lineOwnership()
{
    QFETCH(QString, line);
    QFETCH(bool, belongs);
    QCOMPARE(lineBelongs(line, "seta r_mode"), belongs);
}

void TestConfigLogic::readingValues_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("fov");
    QTest::newRow("quoted") << QByteArray("seta cg_fov \"90\"\r\n") << "90";
    QTest::newRow("bare") << QByteArray("seta cg_fov 90\r\n") << "90";
    QTest::newRow("leading spaces") << QByteArray("      seta cg_fov \"90\"\r\n") << "90";
    QTest::newRow("capitals") << QByteArray("SETA CG_FOV \"90\"\r\n") << "90";
    QTest::newRow("inner space and quote")
        << QByteArray("seta cg_fov \"a \"b\" c\"\r\n") << "a \"b\" c";
    QTest::newRow("bare lf file") << QByteArray("seta cg_fovx 1\nseta cg_fov \"90\"\nbind a b\n")
                                  << "90";
    QTest::newRow("longer name only") << QByteArray("seta cg_fovx \"50\"\r\n") << "75";
}

void TestConfigLogic::readingValues()
{
    QFETCH(QByteArray, config);
    writeFile(path("r/options.dat"), defs({valueRec("FOV", "cg_fov", "75")}));
    OptionSet set = OpenOptions(path("r/options.dat"));
    const QString cfg = writeFile(path("r/q3config.cfg"), config);
    QVERIFY(ReadValues(cfg, set.options, true));
    QFETCH(QString, fov);
    QCOMPARE(stored("FOV"), fov);
}

void TestConfigLogic::lastLineWinsAtLoadAndOpen()
{
    // Two captions share one stored value; one variable set twice.
    writeFile(path("fw/options.dat"),
              defs({valueRec("FOV", "cg_fov", "90"), valueRec("Zoom", "cg_zoomfov", "22.5")}));
    OptionSet set = OpenOptions(path("fw/options.dat"));
    const QString cfg =
        writeFile(path("fw/q3config.cfg"),
                  "seta cg_fov \"90\"\r\nseta cg_zoomfov 30\r\nseta cg_fov \"100\"\r\n");
    // The game runs the file top to bottom: the last line is the value it uses, and the
    // one the editor shows, at load and after "open" alike.
    QVERIFY(ReadValues(cfg, set.options, true));
    QCOMPARE(stored("FOV"), QString("100"));
    QCOMPARE(set.options[0].mark, QString("1"));
    storeValue("FOV", "1");
    QVERIFY(ReadValues(cfg, set.options, false));
    QCOMPARE(stored("FOV"), QString("100"));

    // A save writes the current value into both lines.
    storeValue("FOV", "110");
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov \"110\"\r\nseta cg_zoomfov 30\r\n"
                                       "seta cg_fov \"110\"\r\n"));
    QCOMPARE(set.options[0].mark, QString("DONE"));
}

void TestConfigLogic::unreadableFileLeavesStoreAlone()
{
    writeFile(path("u/options.dat"), defs({valueRec("FOV", "cg_fov", "90")}));
    OptionSet set = OpenOptions(path("u/options.dat"));
    storeValue("FOV", "77");
    QString error;
    QVERIFY(!ReadValues(path("u/absent.cfg"), set.options, false, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(stored("FOV"), QString("77"));
    QVERIFY(!QFile::exists(path("u/absent.cfg_")));
}

void TestConfigLogic::savedBytes()
{
    writeFile(path("s/options.dat"),
              defs({valueRec("FOV", "cg_fov", "90"), checkRec("FPS", "cg_drawFPS", "0")}));
    OptionSet set = OpenOptions(path("s/options.dat"));
    const QString cfg = writeFile(path("s/q3config.cfg"), "seta cg_fov \"100\"\r\n");
    QVERIFY(ReadValues(cfg, set.options, true));
    storeValue("FOV", "90");
    storeValue("FPS", "1");
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);
    // Replaced and appended lines quoted as the game writes them, with the file's line end.
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov \"90\"\r\nseta cg_drawFPS \"1\"\r\n"));
    // An empty value or one holding ";" stays one quoted value.
    const QString lf = writeFile(path("s/lf.cfg"), "seta cg_fov 100\n");
    QVERIFY(ReadValues(lf, set.options, true));
    storeValue("FOV", "");
    storeValue("FPS", "1; quit");
    QCOMPARE(SaveValues(lf, set.options), SaveResult::Saved);
    QCOMPARE(readFile(lf), QByteArray("seta cg_fov \"\"\nseta cg_drawFPS \"1; quit\"\n"));
}

void TestConfigLogic::saveKeepsOtherLinesDropsBlanks()
{
    writeFile(path("k/options.dat"), defs({valueRec("Mode", "r_mode", "-2")}));
    OptionSet set = OpenOptions(path("k/options.dat"));
    const QString cfg =
        writeFile(path("k/q3config.cfg"), "// generated by quake, do not modify\r\n\r\n"
                                          "   bind TAB \"+scores\"   \r\n"
                                          "seta r_modeFullscreen \"1\"\r\n"
                                          "seta r_mode \"4\"\r\n\r\n");
    QVERIFY(ReadValues(cfg, set.options, true));
    QCOMPARE(stored("Mode"), QString("4"));
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);
    QCOMPARE(readFile(cfg), QByteArray("// generated by quake, do not modify\r\n"
                                       "bind TAB \"+scores\"\r\n"
                                       "seta r_modeFullscreen \"1\"\r\n"
                                       "seta r_mode \"4\"\r\n"));
}

void TestConfigLogic::saveFailuresChangeNothing()
{
    writeFile(path("f/options.dat"), defs({valueRec("FOV", "cg_fov", "90")}));
    OptionSet set = OpenOptions(path("f/options.dat"));
    set.options[0].mark = "1";

    QCOMPARE(SaveValues(QString(), set.options), SaveResult::NoConfigFile);
    QCOMPARE(set.options[0].mark, QString("1"));

    // No working copy beside the file: the file stays as it is.
    const QString cfg = writeFile(path("f/q3config.cfg"), "seta cg_fov 95\r\n");
    QString error;
    QCOMPARE(SaveValues(cfg, set.options, &error), SaveResult::NoWorkingCopy);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(cfg), QByteArray("seta cg_fov 95\r\n"));
    QCOMPARE(set.options[0].mark, QString("1"));

    // A file that cannot be replaced (its folder is read-only) is left whole.
    QVERIFY(MakeWorkingCopy(cfg));
    {
        test::ScratchMount disk;
        if (disk.mounted()) {
            const QString ro = writeFile(disk.filePath("q3config.cfg"), "seta cg_fov 95\n");
            QVERIFY(MakeWorkingCopy(ro));
            QVERIFY(disk.makeReadOnly());
            QCOMPARE(SaveValues(ro, set.options, &error), SaveResult::WriteFailed);
            QCOMPARE(error, "The folder " + disk.path() + " cannot be written.");
            QCOMPARE(readFile(ro), QByteArray("seta cg_fov 95\n"));
        }
    }
    QFile::setPermissions(path("f"), QFile::ReadOwner | QFile::ExeOwner);
    const bool readOnly = !QFile(path("f/probe")).open(QIODevice::WriteOnly);
    if (readOnly) {
        QCOMPARE(SaveValues(cfg, set.options, &error), SaveResult::WriteFailed);
        QCOMPARE(readFile(cfg), QByteArray("seta cg_fov 95\r\n"));
    }
    QFile::setPermissions(path("f"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!readOnly)
        QSKIP("running with rights that ignore folder permissions");
}

void TestConfigLogic::saveOnAFullDiskKeepsTheFile()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    writeFile(path("full/options.dat"), defs({valueRec("FOV", "cg_fov", "90")}));
    OptionSet set = OpenOptions(path("full/options.dat"));
    QByteArray config = "// generated by quake, do not modify\n";
    for (int i = 0; config.size() < 7800; ++i)
        config += "seta cv_" + QByteArray::number(i) + " \"" + QByteArray::number(i) + "\"\n";
    config += "seta cg_fov \"100\"\n";
    const QString cfg = writeFile(disk.filePath("q3config.cfg"), config);
    QVERIFY(ReadValues(cfg, set.options, true));
    const QByteArray working = readFile(cfg + "_");
    QVERIFY(disk.fill());
    storeValue("FOV", "110");
    QString error;
    QCOMPARE(SaveValues(cfg, set.options, &error), SaveResult::WriteFailed);
    QVERIFY2(error.contains("No space left on device"), qPrintable(error));
    QCOMPARE(readFile(cfg), config);
    QCOMPARE(readFile(cfg + "_"), working);
    // A read on the full disk keeps the previous working copy too; the values are read,
    // and why the copy could not be written is told.
    QString notWritable;
    QVERIFY(ReadValues(cfg, set.options, true, &error, &notWritable));
    QVERIFY2(notWritable.contains("No space left on device"), qPrintable(notWritable));
    QCOMPARE(readFile(cfg + "_"), working);
}

// The name maker's code window, then the config editor with the shipped definitions: the
// new coloured name must survive the editor's load and save.
void TestConfigLogic::nameMakerThenEditorKeepTheNewName()
{
    const QString cfg = writeFile(path("nm/q3config.cfg"), "seta name \"^1Old^7\"\n"
                                                           "seta cg_fov \"100\"\n");
    QVERIFY(names::exportGlyphtag(cfg, "seta name \"^2New^7\""));
    OptionSet set = OpenOptions(CONFIG_DATA_DIR "/options.dat", CONFIG_DATA_DIR "/");
    QVERIFY(set.fileRead);
    QVERIFY(ReadValues(cfg, set.options, true));
    QCOMPARE(stored("Player name"), QString("^2New^7"));
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);
    const QByteArray saved = readFile(cfg);
    QCOMPARE(saved, QByteArray("seta name \"^2New^7\"\nseta cg_fov \"100\"\n"));
}

void TestConfigLogic::roundTripOfARealConfig_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("game on Linux (LF)") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("\r\n");
}

void TestConfigLogic::roundTripOfARealConfig()
{
    QFETCH(QByteArray, lineEnd);
    // A config as the game writes it: header, binds, seta lines, one Latin-1 name.
    QList<QByteArray> lines = {"// generated by quake, do not modify", "unbindall"};
    const char* keys[] = {"TAB",     "ENTER",     "ESCAPE",    "SPACE",      "+",   "-",
                          "/",       "0",         "1",         "2",          "3",   "4",
                          "5",       "6",         "7",         "8",          "9",   "=",
                          "\\",      "[",         "]",         "`",          "a",   "c",
                          "d",       "s",         "w",         "t",          "y",   "PAUSE",
                          "UPARROW", "DOWNARROW", "LEFTARROW", "RIGHTARROW", "ALT", "CTRL",
                          "SHIFT",   "F1",        "F2",        "F3",         "F11", "F12",
                          "MOUSE1",  "MOUSE2",    "MWHEELUP",  "MWHEELDOWN"};
    for (const char* k : keys)
        lines << QByteArray("bind ") + k + " \"+attack; say \\\"gg\\\"\"";
    QList<QStringList> recs;
    for (int i = 0; lines.size() < 400; ++i) {
        const QByteArray var = "cv_" + QByteArray::number(i);
        lines << "seta " + var + " \"" + QByteArray::number(i * 3) + "\"";
        if (i % 4 == 0)
            recs << valueRec("Option " + QString::number(i), QString::fromLatin1(var), "0");
    }
    lines << "seta name \"^1J\xe9r\xf4me\""
          << "seta cv_1x \"keep\"";
    QByteArray config;
    for (const QByteArray& l : lines)
        config += l + lineEnd;
    writeFile(path("rt/options.dat"), defs(recs));
    OptionSet set = OpenOptions(path("rt/options.dat"));
    const QString cfg = writeFile(path("rt/q3config.cfg"), config);
    QVERIFY(ReadValues(cfg, set.options, true));
    storeValue("Option 8", "changed");
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);

    const QByteArray saved = readFile(cfg);
    // Only the changed option's line differs; every line keeps the file's own line end.
    QByteArray expected = config;
    expected.replace("seta cv_8 \"24\"", "seta cv_8 \"changed\"");
    QCOMPARE(saved, expected);
}

void TestConfigLogic::resetStoresDefaults()
{
    writeFile(path("d/options.dat"),
              defs({valueRec("FOV", "cg_fov", "90"), checkRec("FPS", "cg_drawFPS", "0")}));
    const OptionSet set = OpenOptions(path("d/options.dat"));
    storeValue("FOV", "120");
    storeValue("FPS", "1");
    ResetValues(set.options);
    QCOMPARE(stored("FOV"), QString("90"));
    QCOMPARE(stored("FPS"), QString("0"));
}

// A second file once got the first file's values for every option it lacked.
void TestConfigLogic::valuesBelongToTheirFile()
{
    writeFile(path("vb/options.dat"),
              defs({valueRec("FOV", "cg_fov", "90"), checkRec("Net", "net_enabled", "1")}));
    OptionSet set = OpenOptions(path("vb/options.dat"));
    const QString first = writeFile(path("vb/a/q3config.cfg"), "seta net_enabled \"0\"\n");
    QVERIFY(ReadValues(first, set.options, true));
    storeValue("FOV", "120");
    const QString second = writeFile(path("vb/b/q3config.cfg"), "");
    QVERIFY(ReadValues(second, set.options, false));
    QCOMPARE(stored("Net"), QString("1"));
    QCOMPARE(stored("FOV"), QString("90"));
    QCOMPARE(SaveValues(second, set.options), SaveResult::Saved);
    QCOMPARE(readFile(second), QByteArray());
    // Back to the first file, edited in this window: only that edit is appended.
    QVERIFY(ReadValues(first, set.options, false));
    QCOMPARE(stored("Net"), QString("0"));
    QVERIFY(!hasChanges(set.options));
    storeValue("FOV", "100");
    QVERIFY(hasChanges(set.options));
    QCOMPARE(SaveValues(first, set.options), SaveResult::Saved);
    QCOMPARE(readFile(first), QByteArray("seta net_enabled \"0\"\nseta cg_fov \"100\"\n"));
    QVERIFY(!hasChanges(set.options));
}

void TestConfigLogic::saveWritesOnlyWhatChanged_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("fov"); // stored after the read; empty: untouched
    QTest::addColumn<QByteArray>("saved");
    const QByteArray game = "// generated by quake, do not modify\nseta cg_fov 100\n"
                            "seta r_mode \"-1\"\nbind TAB \"+scores\"\n";
    QTest::newRow("untouched: byte for byte") << game << QString() << game;
    QTest::newRow("one change, one line")
        << game << "110"
        << QByteArray("// generated by quake, do not modify\nseta cg_fov \"110\"\n"
                      "seta r_mode \"-1\"\nbind TAB \"+scores\"\n");
    QTest::newRow("mixed line ends kept")
        << QByteArray("seta r_mode 3\r\nseta cg_fov 100\nbind a b\r") << "95"
        << QByteArray("seta r_mode 3\r\nseta cg_fov \"95\"\nbind a b\r");
    QTest::newRow("appended with the first line's end")
        << QByteArray("bind a b\r\nbind c d\n") << "95"
        << QByteArray("bind a b\r\nbind c d\nseta cg_fov \"95\"\r\n");
    QTest::newRow("set back to the value read") << game << "100" << game;
}

void TestConfigLogic::saveWritesOnlyWhatChanged()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, fov);
    QFETCH(QByteArray, saved);
    writeFile(path("oc/options.dat"),
              defs({valueRec("FOV", "cg_fov", "90"), valueRec("Mode", "r_mode", "3"),
                    checkRec("FPS", "cg_drawFPS", "0")}));
    OptionSet set = OpenOptions(path("oc/options.dat"));
    const QString cfg = writeFile(path("oc/q3config.cfg"), config);
    QVERIFY(ReadValues(cfg, set.options, true));
    if (!fov.isEmpty())
        storeValue("FOV", fov);
    QCOMPARE(SaveValues(cfg, set.options), SaveResult::Saved);
    QCOMPARE(readFile(cfg), saved);
}

void TestConfigLogic::notAConfigFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: a folder
    QTest::addColumn<QString>("message");
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QByteArray control;
    for (int i = 0; i < 64; ++i)
        control += char(1 + i % 8) + QByteArray("ab\n");
    QTest::newRow("NUL bytes") << png << "is not a config file: it holds binary data";
    QTest::newRow("mostly control bytes") << control << "is not a config file: it holds binary";
    QTest::newRow("a folder") << QByteArray() << "is a folder, not a config file.";
}

void TestConfigLogic::notAConfigFileIsRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    writeFile(path("nb/options.dat"), defs({valueRec("FOV", "cg_fov", "90")}));
    OptionSet set = OpenOptions(path("nb/options.dat"));
    storeValue("FOV", "77");
    const QString cfg = path("nb/" + QString(QTest::currentDataTag()) + "/q3config.cfg");
    if (bytes.isEmpty())
        QVERIFY(QDir().mkpath(cfg));
    else
        writeFile(cfg, bytes);
    QString error;
    QVERIFY(!ReadValues(cfg, set.options, false, &error));
    QVERIFY2(error.startsWith(cfg + " " + message), qPrintable(error));
    QVERIFY(!MakeWorkingCopy(cfg));
    QVERIFY(!QFileInfo::exists(cfg + "_"));
    QCOMPARE(stored("FOV"), QString("77"));
    if (!bytes.isEmpty())
        QCOMPARE(readFile(cfg), bytes);
    else
        QCOMPARE(SaveValues(cfg, set.options, &error), SaveResult::WriteFailed);
}

void TestConfigLogic::missingFolderIsNamed()
{
    writeFile(path("mf/options.dat"), defs({valueRec("FOV", "cg_fov", "90")}));
    OptionSet set = OpenOptions(path("mf/options.dat"));
    const QString folder = path("mf/home/.openarena/baseoa");
    QString error;
    QCOMPARE(SaveValues(folder + "/q3config.cfg", set.options, &error), SaveResult::WriteFailed);
    QCOMPARE(error, "The folder " + folder +
                        " does not exist. The game makes it, with q3config.cfg in it, the first "
                        "time it runs: start the game once, then save again.");
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_GUILESS_MAIN(TestConfigLogic)
#include "test_config_logic.moc"
