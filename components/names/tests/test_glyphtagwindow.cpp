#include "GlyphtagWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "gui/Twips.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::names;

namespace
{
const QByteArray GameConfig = "unbindall\n"
                              "seta name \"^1Old^7\"\n"
                              "seta rate \"25000\"\n";

void select(QTextEdit* box, int start, int length)
{
    QTextCursor c = box->textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
}

void click(QWidget* w, const char* name)
{
    auto* b = w->findChild<QPushButton*>(name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

QAction* tool(QWidget* w, const char* key)
{
    return w->findChild<QToolBar*>("Toolbar1")->findChild<QAction*>(key);
}

// Runs `step` on the code window once it is shown modally.
void whenCodeWindowShows(const std::function<void(CodeDialog*)>& step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<CodeDialog*>(w);
            if (d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                step(d);
                return;
            }
        }
    });
    timer->start();
}
} // namespace

class TestGlyphtagWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsWhitePlayer();
    void loadsTheConfiguredName_data();
    void loadsTheConfiguredName();
    void buttonsColourTheSelection();
    void spaceBeforeTheSelectionTakesTheColour();
    void alternateFontShowsAndCodes();
    void addReplacesTheNameLine();
    void addWithoutConfigTellsTheUser();
    void codeWindowReplacesInChosenFile();
    void instrucTogglesTheWidth();
    void launcherCreatesAndRuns();
};

void TestGlyphtagWindow::loadsWhitePlayer()
{
    GlyphtagWindow w;
    QCOMPARE(w.objectName(), QString("Form1"));
    QCOMPARE(w.windowTitle(), QString("Glyphtag Editor"));
    QCOMPARE(w.rtb->toPlainText(), QString("Player"));
    QCOMPARE(w.rtb->textCursor().position(), 0);
    QVERIFY(!w.rtb->textCursor().hasSelection());
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^7Player^7\""));
    QCOMPARE(w.findChild<QPushButton*>("Command6")->text(), QString("&Magenta"));
    QCOMPARE(w.findChild<QPushButton*>("Command21")->text(), QString("Alt. Font"));
    QCOMPARE(tool(&w, "instruc")->toolTip(), QString("View intructions"));
    QVERIFY(tool(&w, "instruc")->isCheckable());
    // The box background differs clearly from every colour of the table.
    const QColor base = w.rtb->palette().color(QPalette::Base);
    for (const GlyphColour& c : colourTable()) {
        const QColor colour(c.rgb);
        const int distance = std::abs(colour.red() - base.red()) +
                             std::abs(colour.green() - base.green()) +
                             std::abs(colour.blue() - base.blue());
        QVERIFY2(distance >= 128, c.caption);
    }
}

void TestGlyphtagWindow::loadsTheConfiguredName_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("two colours") << QByteArray("seta name \"^1Fr^3ag^7\"\n") << "Frag"
                                 << "seta name \"^1Fr^3ag^7\"";
    QTest::newRow("alternate font") << QByteArray("seta name \"^5\xe1\xe2z^7\"\n") << "abz"
                                    << QString::fromLatin1("seta name \"^5\xe1\xe2z^7\"");
    QTest::newRow("the last name line") << QByteArray("seta name a\r\nseta name \"^2b\"\r\n") << "b"
                                        << "seta name \"^2b^7\"";
    QTest::newRow("no name line") << QByteArray("seta rate 25000\n") << "Player"
                                  << "seta name \"^7Player^7\"";
}

void TestGlyphtagWindow::loadsTheConfiguredName()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, text);
    QFETCH(QString, line);
    test::TempStore store;
    QTemporaryDir dir;
    SaveSetting("Fragdeck", "Options", "ConfigPath",
                test::writeFile(dir.filePath("q3config.cfg"), config));
    GlyphtagWindow w;
    QCOMPARE(w.rtb->toPlainText(), text);
    QCOMPARE(w.rtb->textCursor().position(), 0);
    QCOMPARE(w.BuildNameCode(), line);
}

void TestGlyphtagWindow::buttonsColourTheSelection()
{
    GlyphtagWindow w;
    w.show();
    select(w.rtb, 3, 3);
    click(&w, "Command2");
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^7Pla^1yer^7\""));
    // The preview draws what the game will: "Pla" white, "yer" red.
    QVERIFY(w.preview->text().contains("color:#ffffff;\">Pla<"));
    QVERIFY(w.preview->text().contains("color:#ff0000;\">yer<"));
    select(w.rtb, 0, 6);
    click(&w, "Command8");
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^7Player^7\""));
}

void TestGlyphtagWindow::spaceBeforeTheSelectionTakesTheColour()
{
    GlyphtagWindow w;
    w.rtb->selectAll();
    w.rtb->insertPlainText("A B");
    select(w.rtb, 2, 1);
    click(&w, "Command3");
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^7A^4 B^7\""));
    QCOMPARE(w.rtb->textCursor().selectionStart(), 1);
    QCOMPARE(w.rtb->textCursor().selectionEnd(), 3);
}

void TestGlyphtagWindow::alternateFontShowsAndCodes()
{
    GlyphtagWindow w;
    w.rtb->selectAll();
    w.rtb->insertPlainText("xa");
    select(w.rtb, 1, 1);
    click(&w, "Command21");
    QString expected = "seta name \"^7x";
    expected += QChar(225);
    expected += "^7\"";
    QCOMPARE(w.BuildNameCode(), expected);
    // Shown as underlined characters in the box and in the preview.
    QTextCursor c(w.rtb->document());
    c.setPosition(2);
    QVERIFY(c.charFormat().fontUnderline());
    QVERIFY(w.preview->text().contains("underline"));
    select(w.rtb, 0, 2);
    click(&w, "Command19");
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^7xa^7\""));
}

void TestGlyphtagWindow::addReplacesTheNameLine()
{
    test::ConfigFixture game(GameConfig);
    GlyphtagWindow w;
    // It opens with the name the config sets.
    QCOMPARE(w.BuildNameCode(), QString("seta name \"^1Old^7\""));
    select(w.rtb, 0, 1);
    click(&w, "Command4");
    tool(&w, "add")->trigger();
    QCOMPARE(game.prompts.texts(), QStringList{"Glyphtags exported."});
    QCOMPARE(game.prompts.titles(), QStringList{"Success"});
    QCOMPARE(game.prompts.prompts[0].icon, Icon::Information);
    QCOMPARE(test::readFile(game.cfg), QByteArray("unbindall\nseta name \"^2O^1ld^7\"\n"
                                                  "seta rate \"25000\"\n"));
    QVERIFY(QFileInfo::exists(game.cfg + "_"));
}

void TestGlyphtagWindow::addWithoutConfigTellsTheUser()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    GlyphtagWindow w;
    tool(&w, "add")->trigger();
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.titles(), QStringList{"Error"});
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    QVERIFY(prompts.texts()[0].contains("No config file has been set"));
}

void TestGlyphtagWindow::codeWindowReplacesInChosenFile()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    QTemporaryDir dir;
    const QString cfg = test::writeFile(dir.filePath("q3config.cfg"), GameConfig);
    GlyphtagWindow w;
    w.show();
    QString shown;
    whenCodeWindowShows([&](CodeDialog* d) {
        QCOMPARE(d->windowTitle(), QString("Control code"));
        shown = d->Text1->text();
        // A cancelled file dialog changes nothing.
        prompts.queueCancel();
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QCOMPARE(test::readFile(cfg), GameConfig);
        // The user's own edit of the line is what gets written.
        d->Text1->setText("seta name \"^3Edited^7\"");
        prompts.queueFile(cfg);
        QTest::mouseClick(d->Command1, Qt::LeftButton);
        QTest::mouseClick(d->OKButton, Qt::LeftButton);
    });
    click(&w, "Command9");
    QCOMPARE(shown, QString("seta name \"^7Player^7\""));
    QCOMPARE(prompts.prompts.size(), 3);
    const OpenFileOptions& cmd = prompts.prompts[0].file;
    QCOMPARE(cmd.title, QString("Locate q3config.cfg"));
    QCOMPARE(cmd.initialFile, QString("q3config.cfg"));
    QCOMPARE(cmd.filter, QString("Q3 Config file|q3config.cfg"));
    QVERIFY(cmd.fileMustExist);
    QCOMPARE(prompts.texts()[2], QString("Glyphtags exported."));
    // The old name line goes, as from the toolbar: two would leave the game the old one.
    QCOMPARE(test::readFile(cfg), QByteArray("unbindall\nseta name \"^3Edited^7\"\n"
                                             "seta rate \"25000\"\n"));
    QVERIFY(!w.codeWindow()->isVisible());
    // The toolbar's "view" fills the same window afresh.
    whenCodeWindowShows([&](CodeDialog* d) {
        shown = d->Text1->text();
        d->accept();
    });
    tool(&w, "view")->trigger();
    QCOMPARE(shown, QString("seta name \"^7Player^7\""));
}

void TestGlyphtagWindow::instrucTogglesTheWidth()
{
    GlyphtagWindow w;
    w.show();
    QCOMPARE(w.width(), twipsToPixelsX(3315));
    QAction* instruc = tool(&w, "instruc");
    instruc->trigger();
    QVERIFY(instruc->isChecked());
    QCOMPARE(w.width(), twipsToPixelsX(7155));
    instruc->trigger();
    QCOMPARE(w.width(), twipsToPixelsX(3315));
    tool(&w, "return")->trigger();
    QVERIFY(!w.isVisible());
}

void TestGlyphtagWindow::launcherCreatesAndRuns()
{
    test::TempStore store;
    QCOMPARE(test::modalShownBy("glyphtag", "Base.Glyphtag", "main", "return"),
             QString("Form1|Glyphtag Editor"));
}

QTEST_MAIN(TestGlyphtagWindow)
#include "test_glyphtagwindow.moc"
