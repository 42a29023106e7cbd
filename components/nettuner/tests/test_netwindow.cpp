#include "NetWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "testsupport/TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::net;

namespace
{
const QByteArray Config = "unbindall\nbind w \"+forward\"\nseta rate \"25000\"\nseta snaps \"30\"\n"
                          "seta name \"Player\"\n";

QString valueIn(const NetWindow& w, const char* name)
{
    return w.findChild<QLineEdit*>(name)->text();
}
} // namespace

class TestNetWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsPresetsAndSaves();
    void refusesOutOfRange();
    void missingConfigIsReported();
    void launcherCreatesAndRuns();
};

void TestNetWindow::showsPresetsAndSaves()
{
    test::ConfigFixture game(Config);
    NetWindow w;
    w.show();
    QVERIFY(game.prompts.prompts.isEmpty());
    // From the file where it has them, the game's defaults where not.
    QCOMPARE(valueIn(w, "rate"), QString("25000"));
    QCOMPARE(valueIn(w, "snaps"), QString("30"));
    QCOMPARE(valueIn(w, "cl_maxpackets"), QString("30"));
    QCOMPARE(valueIn(w, "cl_timenudge"), QString("0"));
    QCOMPARE(w.presetcombo->currentText(), QString("Manual settings"));
    // The note is text to read, not a disabled control.
    auto* hint = w.findChild<QLabel*>("hint");
    QVERIFY(hint && hint->isEnabled());

    // Choosing a preset fills in its values; typing makes them manual again.
    w.presetcombo->setCurrentIndex(1);
    emit w.presetcombo->activated(1);
    QCOMPARE(valueIn(w, "rate"), QString("4000"));
    QCOMPARE(valueIn(w, "cl_maxpackets"), QString("30"));
    QLineEdit* nudge = w.findChild<QLineEdit*>("cl_timenudge");
    nudge->selectAll();
    QTest::keyClicks(nudge, "-10");
    QCOMPARE(w.presetcombo->currentText(), QString("Manual settings"));

    QTest::mouseClick(w.findChild<QPushButton*>("savenet"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(), QStringList{"Network settings saved."});
    QCOMPARE(test::readFile(game.cfg),
             QByteArray("unbindall\nbind w \"+forward\"\nseta rate \"4000\"\nseta snaps \"20\"\n"
                        "seta name \"Player\"\nseta cl_maxpackets \"30\"\n"
                        "seta cl_packetdup \"1\"\nseta cl_timenudge \"-10\"\n"));

    // Opened again, the window shows what was saved; a preset's values show its name.
    nudge->selectAll();
    QTest::keyClicks(nudge, "0");
    QCOMPARE(w.presetcombo->currentText(), QString("Dial-up 56k"));
    // Closing with a change asks: Cancel stays, No drops the change.
    game.prompts.clear();
    game.prompts.queue(Answer::Cancel);
    QTest::mouseClick(w.findChild<QPushButton*>("closenet"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(), QStringList{"Save your changed network settings?"});
    QVERIFY(w.isVisible());
    game.prompts.queue(Answer::No);
    QTest::mouseClick(w.findChild<QPushButton*>("closenet"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    NetWindow again;
    QCOMPARE(valueIn(again, "cl_timenudge"), QString("-10"));
    QCOMPARE(valueIn(again, "rate"), QString("4000"));
    // Yes saves, then closes; no change, no question.
    again.show();
    again.findChild<QLineEdit*>("cl_timenudge")->setText("5");
    game.prompts.clear();
    again.reject();
    QCOMPARE(game.prompts.texts(),
             (QStringList{"Save your changed network settings?", "Network settings saved."}));
    QVERIFY(!again.isVisible());
    QVERIFY(test::readFile(game.cfg).contains("seta cl_timenudge \"5\"\n"));
    NetWindow unchanged;
    unchanged.show();
    game.prompts.clear();
    unchanged.reject();
    QVERIFY(game.prompts.prompts.isEmpty());
}

void TestNetWindow::refusesOutOfRange()
{
    test::ConfigFixture game(Config);
    NetWindow w;
    w.show();
    QLineEdit* packets = w.findChild<QLineEdit*>("cl_maxpackets");
    packets->setText("200");
    QTest::mouseClick(w.findChild<QPushButton*>("savenet"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(),
             QStringList{"cl_maxpackets must be a whole number from 15 to 125."});
    QCOMPARE(game.prompts.prompts[0].icon, Icon::Warning);
    QCOMPARE(test::readFile(game.cfg), Config);
}

void TestNetWindow::missingConfigIsReported()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    SaveSetting("Fragdeck", "Options", "ConfigPath", "/nonexistent/q3config.cfg");
    NetWindow w;
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("has not written its config file"));
    QCOMPARE(valueIn(w, "rate"), QString("3000")); // the game's default
    prompts.clear();
    QTest::mouseClick(w.findChild<QPushButton*>("savenet"), Qt::LeftButton);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
    QVERIFY(!QFileInfo::exists("/nonexistent/q3config.cfg"));
}

void TestNetWindow::launcherCreatesAndRuns()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    QCOMPARE(test::modalShownBy("linetune", "linetune.entry", "main", "closenet"),
             QString("frmnet|Dial-up Optimizer"));
}

QTEST_MAIN(TestNetWindow)
#include "test_netwindow.moc"
