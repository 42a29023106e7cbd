// Tool windows get back the size and place they had when they last closed; fixed-size
// windows keep their size; message boxes and unnamed windows are left alone.
#include "core/Settings.h"
#include "gui/WindowGeometry.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QtTest>

using namespace fragdeck;

namespace
{

class ToolWindow : public QDialog
{
    Q_OBJECT
public:
    ToolWindow()
    {
        setObjectName(QStringLiteral("frm_tool"));
        resize(300, 200);
    }
};

class FixedWindow : public QDialog
{
    Q_OBJECT
public:
    FixedWindow()
    {
        setObjectName(QStringLiteral("frm_fixed"));
        setFixedSize(220, 140);
    }
};

QString stored(const char* window)
{
    return GetSetting("Fragdeck", "Windows", QLatin1String(window));
}

} // namespace

class TestWindowGeometry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { keepWindowGeometry(qApp); }
    void init() { m_store = std::make_unique<test::TempStore>(); }
    void cleanup() { m_store.reset(); }
    void sizeAndPlaceComeBack();
    void fixedSizeKept();
    void othersLeftAlone();

private:
    std::unique_ptr<test::TempStore> m_store;
};

void TestWindowGeometry::sizeAndPlaceComeBack()
{
    {
        ToolWindow w;
        w.show();
        w.setGeometry(120, 90, 410, 260);
        w.hide();
    }
    QVERIFY(!GetSetting("Fragdeck", "Windows",
                        QString::fromLatin1(ToolWindow::staticMetaObject.className()))
                 .isEmpty());
    ToolWindow again;
    again.show();
    QCOMPARE(again.geometry(), QRect(120, 90, 410, 260));
}

void TestWindowGeometry::fixedSizeKept()
{
    {
        // A geometry saved when the window was larger (an older version): only its place
        // comes back.
        ToolWindow big;
        big.show();
        big.setGeometry(150, 110, 500, 400);
        big.hide();
        const QString key = QString::fromLatin1(FixedWindow::staticMetaObject.className());
        SaveSetting("Fragdeck", "Windows", key,
                    GetSetting("Fragdeck", "Windows",
                               QString::fromLatin1(ToolWindow::staticMetaObject.className())));
    }
    FixedWindow w;
    w.show();
    QCOMPARE(w.size(), QSize(220, 140));
    QCOMPARE(w.pos(), QPoint(150, 110));
}

void TestWindowGeometry::othersLeftAlone()
{
    QMessageBox box(QMessageBox::Information, "Fragdeck", "text");
    box.setObjectName("box");
    box.show();
    box.hide();
    QDialog unnamed;
    unnamed.show();
    unnamed.hide();
    QCOMPARE(stored("QMessageBox"), QString());
    QCOMPARE(stored("QDialog"), QString());
}

QTEST_MAIN(TestWindowGeometry)
#include "test_window_geometry.moc"
