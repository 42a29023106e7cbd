#include "AddressBook.h"
#include "core/Error.h"
#include "game/ServerStatus.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;

class TestBrowserLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressSplit_data();
    void addressSplit();
    void portTooLargeRaisesOverflow();
    void bookLoad_data();
    void bookLoad();
    void missingBookLoadsEmpty();
    void saveWritesCrLfLinesWhole();
    void saveFailureLeavesTheOldBook();
};

void TestBrowserLogic::addressSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("no port") << "192.168.0.5"
                             << "192.168.0.5" << 27960;
    QTest::newRow("port") << "192.168.0.5:27000"
                          << "192.168.0.5" << 27000;
    // Nothing after the colon: the whole text is the host (and will not resolve).
    QTest::newRow("colon last") << "192.168.0.5:"
                                << "192.168.0.5:" << 27960;
    QTest::newRow("name and port") << "q3.example.org:27961"
                                   << "q3.example.org" << 27961;
    QTest::newRow("trailing junk") << "host:27000abc"
                                   << "host" << 27000;
    QTest::newRow("no digits") << "host:abc"
                               << "host" << 0;
    QTest::newRow("first colon") << "host:1:2"
                                 << "host" << 1;
    QTest::newRow("empty") << ""
                           << "" << 27960;
    QTest::newRow("only colon") << ":"
                                << ":" << 27960;
    QTest::newRow("empty host") << ":27000"
                                << "" << 27000;
}

void TestBrowserLogic::addressSplit()
{
    QFETCH(QString, text);
    const TypedAddress a = splitServerAddress(text);
    QTEST(a.host, "host");
    QTEST(int(a.port), "port");
}

void TestBrowserLogic::portTooLargeRaisesOverflow()
{
    QCOMPARE(test::errorOf([] { splitServerAddress("host:99999999999"); }),
             int(ErrorCode::Overflow));
}

void TestBrowserLogic::bookLoad_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("crlf") << QByteArray("a:1\r\nb\r\n") << QStringList{"a:1", "b"} << "b";
    QTest::newRow("blank and padded")
        << QByteArray("  a:1  \r\n\r\n   \r\nb\r\n") << QStringList{"a:1", "b"} << "b";
    QTest::newRow("last line blank")
        << QByteArray("a\r\nb\r\n   \r\n") << QStringList{"a", "b"} << "";
    QTest::newRow("bare lf") << QByteArray("a\nb\n") << QStringList{"a", "b"} << "b";
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringList{"a", "b"} << "b";
    QTest::newRow("empty file") << QByteArray() << QStringList{} << "";
    QTest::newRow("latin-1 kept") << QByteArray("caf\xe9:1\r\n") << QStringList{"caf\u00e9:1"}
                                  << "caf\u00e9:1";
    QTest::newRow("duplicates kept") << QByteArray("a\r\na\r\n") << QStringList{"a", "a"} << "a";
}

void TestBrowserLogic::bookLoad()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("addbook.dat"), content);
    const AddressBook book = AddressBook::load(path);
    QVERIFY(book.read);
    QTEST(book.entries, "entries");
    QTEST(book.lastLine, "lastLine");
}

void TestBrowserLogic::missingBookLoadsEmpty()
{
    QTemporaryDir dir;
    const AddressBook book = AddressBook::load(dir.filePath("addbook.dat"));
    QVERIFY(!book.read);
    QVERIFY(!book.exists);
    QVERIFY(book.entries.isEmpty());
    QVERIFY(book.lastLine.isEmpty());
}

void TestBrowserLogic::saveWritesCrLfLinesWhole()
{
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("addbook.dat"), "old\r\n\r\n  x  \r\n");
    QVERIFY(AddressBook::save(path, {"a:27960", "caf\u00e9", "a:27960"}));
    QCOMPARE(test::readFile(path), QByteArray("a:27960\r\ncaf\xe9\r\na:27960\r\n"));
    QVERIFY(AddressBook::save(path, {}));
    QCOMPARE(test::readFile(path), QByteArray());
}

void TestBrowserLogic::saveFailureLeavesTheOldBook()
{
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("addbook.dat"), "keep\r\n");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    const bool saved = AddressBook::save(path, {"new"}, &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (saved)
        QSKIP("the folder stays writable (running as root)");
    QVERIFY(!error.isEmpty());
    QCOMPARE(test::readFile(path), QByteArray("keep\r\n"));
}

QTEST_GUILESS_MAIN(TestBrowserLogic)
#include "test_browser_logic.moc"
