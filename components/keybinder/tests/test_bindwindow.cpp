#include "BindWindow.h"
#include "core/Activation.h"
#include "core/Settings.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::bind;

namespace
{
const QByteArray Config = "unbindall\nbind MOUSE1 \"+attack\"\nbind w \"+forward\"\n"
                          "seta sensitivity \"5\"\n";

QTreeWidgetItem* actionItem(QTreeWidget* tree, const QString& command)
{
    for (QTreeWidgetItem* item : tree->findItems(command, Qt::MatchExactly | Qt::MatchRecursive, 1))
        return item;
    return nullptr;
}
} // namespace

class TestBindWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bindMoveClearAndSave();
    void otherCommandsAndClosing();
    void missingConfigIsReported();
    void keysShowWholeAndTheHintReads();
    void launcherCreatesAndRuns();
};

void TestBindWindow::bindMoveClearAndSave()
{
    test::ConfigFixture game(Config);
    BindWindow w;
    w.show();
    QTreeWidgetItem* attack = actionItem(w.bindtree, "+attack");
    QVERIFY(attack);
    QCOMPARE(attack->text(2), QString("MOUSE1"));

    // Press W for "+attack": W belongs to "+forward"; the first answer keeps it there.
    w.bindtree->setCurrentItem(attack);
    game.prompts.queue(Answer::No);
    test::whenShown("frm_capture", [](QWidget* c) { QTest::keyClick(c, Qt::Key_W); });
    QTest::mouseClick(w.findChild<QPushButton*>("bindkey"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(),
             QStringList{"w is bound to \"+forward\" now. Move it to \"+attack\"?"});
    QCOMPARE(w.bindings().commandOf("w"), QString("+forward"));
    // The second time it moves.
    game.prompts.queue(Answer::Yes);
    test::whenShown("frm_capture", [](QWidget* c) { QTest::keyClick(c, Qt::Key_W); });
    QTest::mouseClick(w.findChild<QPushButton*>("bindkey"), Qt::LeftButton);
    QCOMPARE(w.bindings().commandOf("w"), QString("+attack"));
    QVERIFY(actionItem(w.bindtree, "+forward")->text(2).isEmpty());

    // A wheel turn on the capture area for a free-text command.
    w.customcommand->setText("say gg");
    test::whenShown("frm_capture", [](QWidget* c) {
        QWidget* area = c->findChild<QWidget*>("capturearea");
        QWheelEvent e(QPointF(5, 5), area->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &e);
    });
    QTest::mouseClick(w.findChild<QPushButton*>("bindcustom"), Qt::LeftButton);
    QCOMPARE(w.bindings().commandOf("MWHEELUP"), QString("say gg"));

    // Escape cancels the capture.
    w.bindtree->setCurrentItem(actionItem(w.bindtree, "+zoom"));
    test::whenShown("frm_capture", [](QWidget* c) { QTest::keyClick(c, Qt::Key_Escape); });
    QTest::mouseClick(w.findChild<QPushButton*>("bindkey"), Qt::LeftButton);
    QVERIFY(w.bindings().keysOf("+zoom").isEmpty());

    game.prompts.clear();
    QTest::mouseClick(w.findChild<QPushButton*>("savebinds"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(), QStringList{"Key binds saved."});
    QCOMPARE(test::readFile(game.cfg), QByteArray("unbindall\nbind MOUSE1 \"+attack\"\nbind w "
                                                  "\"+attack\"\nseta sensitivity \"5\"\n"
                                                  "bind MWHEELUP \"say gg\"\n"));
    QCOMPARE(actionItem(w.bindtree, "+attack")->text(2), QString("MOUSE1, w"));

    // Clearing "+attack" drops both its lines.
    w.bindtree->setCurrentItem(actionItem(w.bindtree, "+attack"));
    QTest::mouseClick(w.findChild<QPushButton*>("clearkey"), Qt::LeftButton);
    QTest::mouseClick(w.findChild<QPushButton*>("savebinds"), Qt::LeftButton);
    QCOMPARE(test::readFile(game.cfg),
             QByteArray("unbindall\nseta sensitivity \"5\"\nbind MWHEELUP \"say gg\"\n"));
    QTest::mouseClick(w.findChild<QPushButton*>("closebinds"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
}

void TestBindWindow::otherCommandsAndClosing()
{
    const QByteArray config = Config + "bind F5 \"say gg\"\n";
    test::ConfigFixture game(config);
    BindWindow w;
    w.show();
    // Binds the table does not list show under their own group, and can be cleared there.
    QTreeWidgetItem* other = actionItem(w.bindtree, "say gg");
    QVERIFY(other);
    QCOMPARE(other->parent()->text(0), QString("Other commands"));
    QCOMPARE(other->text(2), QString("F5"));
    // A double click on a group header opens no capture and asks nothing.
    QTest::mouseDClick(w.bindtree->viewport(), Qt::LeftButton, {},
                       w.bindtree->visualItemRect(w.bindtree->topLevelItem(0)).center());
    QVERIFY(game.prompts.prompts.isEmpty());
    w.bindtree->setCurrentItem(other);
    QTest::mouseClick(w.findChild<QPushButton*>("clearkey"), Qt::LeftButton);
    QVERIFY(!actionItem(w.bindtree, "say gg"));
    QVERIFY(w.bindtree->topLevelItem(w.bindtree->topLevelItemCount() - 1)->isHidden());

    // Closing with the change unsaved asks: Cancel stays open, Yes saves and closes.
    game.prompts.queue(Answer::Cancel);
    QTest::mouseClick(w.findChild<QPushButton*>("closebinds"), Qt::LeftButton);
    QCOMPARE(game.prompts.texts(), QStringList{"Save your changed key binds?"});
    QVERIFY(w.isVisible());
    QCOMPARE(test::readFile(game.cfg), config);
    game.prompts.queue(Answer::Yes);
    w.reject(); // as Escape or the window's close button
    QVERIFY(!w.isVisible());
    QCOMPARE(test::readFile(game.cfg), Config);
}

void TestBindWindow::missingConfigIsReported()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    BindWindow w;
    QCOMPARE(prompts.prompts.size(), 1);
    QVERIFY(prompts.texts()[0].contains("No config file"));
    prompts.clear();
    QTest::mouseClick(w.findChild<QPushButton*>("savebinds"), Qt::LeftButton);
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(prompts.prompts[0].icon, Icon::Error);
}

void TestBindWindow::keysShowWholeAndTheHintReads()
{
    // Many keys on one action, and a long free-text command that would push them away.
    test::ConfigFixture game(
        "bind MOUSE1 \"+attack\"\nbind CTRL \"+attack\"\nbind KP_INS \"+attack\"\n"
        "bind MOUSE2 \"+attack\"\nbind KP_DOWNARROW \"+forward\"\nbind KP_UPARROW \"+forward\"\n"
        "bind F9 \"say ^1good game ^7everyone, well played, see you next time\"\n");
    BindWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QHeaderView* header = w.bindtree->header();
    const int keysFrom = header->sectionViewportPosition(2);
    const int room = w.bindtree->viewport()->width() - keysFrom;
    const QFontMetrics metrics(w.bindtree->font());
    for (const char* command : {"+attack", "+forward",
                                "say ^1good game ^7everyone, well played, "
                                "see you next time"}) {
        QTreeWidgetItem* item = actionItem(w.bindtree, command);
        QVERIFY2(item, command);
        QVERIFY2(metrics.horizontalAdvance(item->text(2)) < room,
                 qPrintable(item->text(2) + ": " + QString::number(room)));
    }
    QVERIFY(w.bindtree->horizontalScrollBar()->maximum() == 0);
    // The long command is cut in its own columns, and shown whole in its tip.
    QTreeWidgetItem* say = actionItem(w.bindtree, "say ^1good game ^7everyone, well played, see "
                                                  "you next time");
    QCOMPARE(test::shownToolTip(say->toolTip(1)), say->text(1));
    // The note is text to read, not a disabled control.
    auto* hint = w.findChild<QLabel*>("hint");
    QVERIFY(hint);
    QVERIFY(hint->isEnabled());
    QCOMPARE(hint->palette().color(QPalette::WindowText),
             w.palette().color(QPalette::Active, QPalette::WindowText));
}

void TestBindWindow::launcherCreatesAndRuns()
{
    test::TempStore store;
    test::PromptRecorder prompts;
    QCOMPARE(test::modalShownBy("bindwright", "bindwright.class", "main", "closebinds"),
             QString("frmbind|Key Binder"));
}

QTEST_MAIN(TestBindWindow)
#include "test_bindwindow.moc"
