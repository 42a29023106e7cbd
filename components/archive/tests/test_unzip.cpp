// Archive access against real zip files written by the test.
#include "ExplorerUnzip.h"
#include "archive/Unzip.h"
#include "testsupport/ScratchMount.h"
#include "testsupport/TestSupport.h"
#include "testsupport/ZipWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <zip.h>
#include <zlib.h>

using namespace fragdeck;
using namespace fragdeck::archive;
using fragdeck::test::ZipMember;

namespace
{

QByteArray patchU32(QByteArray bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}

// Sets the uncompressed size both headers claim for every member.
QByteArray claimSize(QByteArray zip, quint32 size)
{
    for (qsizetype i = 0; (i = zip.indexOf("PK\x01\x02", i)) >= 0; i += 4)
        zip = patchU32(zip, i + 24, size);
    for (qsizetype i = 0; (i = zip.indexOf("PK\x03\x04", i)) >= 0; i += 4)
        zip = patchU32(zip, i + 22, size);
    return zip;
}

void putLe(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// A stored (uncompressed) archive written byte by byte, for layouts no zip tool makes:
// directory entries that all point at the first member's data, or an end record whose
// 16-bit entry count wrapped or stuck at its largest.
QByteArray rawZip(const QList<QPair<QByteArray, QByteArray>>& members, bool allAtFirst = false,
                  bool countStuck = false)
{
    QByteArray data, dir;
    QList<quint32> offsets;
    for (const auto& [name, bytes] : members) {
        offsets.append(quint32(data.size()));
        putLe(data, 0x04034b50, 4);
        putLe(data, 20, 2);
        data.append(QByteArray(8, '\0')); // flags, method (stored), time, date
        putLe(data,
              zip_uint32_t(
                  crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()))),
              4);
        putLe(data, quint64(bytes.size()), 4);
        putLe(data, quint64(bytes.size()), 4);
        putLe(data, quint64(name.size()), 2);
        putLe(data, 0, 2);
        data += name + bytes;
    }
    for (qsizetype i = 0; i < members.size(); ++i) {
        const auto& [name, bytes] = members[allAtFirst ? 0 : i];
        const QByteArray& ownName = members[i].first;
        putLe(dir, 0x02014b50, 4);
        putLe(dir, 20, 2);
        putLe(dir, 20, 2);
        dir.append(QByteArray(8, '\0')); // flags, method, time, date
        putLe(dir,
              zip_uint32_t(
                  crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()))),
              4);
        putLe(dir, quint64(bytes.size()), 4);
        putLe(dir, quint64(bytes.size()), 4);
        putLe(dir, quint64(ownName.size()), 2);
        dir.append(QByteArray(12, '\0')); // extra, comment, disk, attributes
        putLe(dir, offsets[allAtFirst ? 0 : i], 4);
        dir += ownName;
    }
    QByteArray end;
    putLe(end, 0x06054b50, 4);
    end.append(QByteArray(4, '\0')); // disk numbers
    const quint64 count =
        countStuck ? std::min<quint64>(members.size(), 0xffff) : quint64(members.size()) & 0xffff;
    putLe(end, count, 2);
    putLe(end, count, 2);
    putLe(end, quint64(dir.size()), 4);
    putLe(end, quint64(data.size()), 4);
    putLe(end, 0, 2);
    return data + dir + end;
}

// Every file below root, relative to it.
QStringList filesBelow(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(root).relativeFilePath(it.next()));
    out.sort();
    return out;
}

} // namespace

class TestUnzip : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void listingAll_data();
    void listingAll();
    void prefixFilterLines_data();
    void prefixFilterLines();
    void listingsHaveNoFixedSize_data();
    void listingsHaveNoFixedSize();
    void memberCountIsTheCallersCursor();
    void extractDropsFoldersAndReplaces();
    void extractKeepingFolders();
    void extractLongAndPaddedNames();
    void extractOfAMissingNameFails_data();
    void extractOfAMissingNameFails();
    void replaceQueryAnswers();
    void hostileNamesStayInside_data();
    void hostileNamesStayInside();
    void linkInTheTargetIsReplacedNotFollowed();
    void brokenArchives_data();
    void brokenArchives();
    void encryptedMembersAreSkipped();
    void absurdSizesAreCapped_data();
    void absurdSizesAreCapped();
    void damagedDataLeavesNoFile();
    void listingReadsEveryArchiveLayout_data();
    void listingReadsEveryArchiveLayout();
    void overlappingEntriesAreRefused();
    void oneRunHasABound();
    void foldersStayInsideTheTarget();
    void listingAndExtractionAgreeOnNames_data();
    void listingAndExtractionAgreeOnNames();
    void fullDiskLeavesNoFile();

private:
    QString zipOf(const QList<ZipMember>& members, const QString& name = "a.pk3");
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::PromptRecorder> m_prompts;
};

void TestUnzip::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_prompts.reset(); // before the next one installs its handler
    m_prompts = std::make_unique<test::PromptRecorder>();
}

QString TestUnzip::zipOf(const QList<ZipMember>& members, const QString& name)
{
    const QString path = m_dir->filePath(name);
    if (members.isEmpty()) // an archive with no members is its end record alone
        return test::writeFile(path, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    if (!test::writeZip(path, members))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestUnzip::listingAll_data()
{
    QTest::addColumn<QStringList>("members");
    QTest::addColumn<QStringList>("listed");
    const QString longName =
        "textures/a_very_long_folder_name_for_testing/and_an_even_longer_file_name.tga";
    QTest::newRow("one texture, no folder entries")
        << QStringList{"textures/base/wall.tga"} << QStringList{"textures/base/wall.tga"};
    QTest::newRow("explicit folder entries")
        << QStringList{"maps/", "maps/q3dm1.bsp", "levelshots/", "levelshots/q3dm1.jpg"}
        << QStringList{"maps/", "maps/q3dm1.bsp", "levelshots/", "levelshots/q3dm1.jpg"};
    QTest::newRow("top-level file") << QStringList{"readme.txt"} << QStringList{"readme.txt"};
    QTest::newRow("longer than 50, listed whole") << QStringList{longName} << QStringList{longName};
    QTest::newRow("spaces trimmed") << QStringList{"  padded.txt  "} << QStringList{"padded.txt"};
    QTest::newRow("empty archive") << QStringList{} << QStringList{};
}

void TestUnzip::listingAll()
{
    QFETCH(QStringList, members);
    QFETCH(QStringList, listed);
    QList<ZipMember> m;
    for (const QString& n : members)
        m.append({n, n.endsWith('/') ? QByteArray() : n.toLatin1()});
    const QString zip = zipOf(m);
    ExplorerUnzip u;
    u.MemberCount = 0;
    QCOMPARE(u.RunUnzip(zip, m_dir->filePath("\\test\\"), 1, 0, 1, 1, 0, 0), 0);
    QCOMPARE(u.MemberCount, listed.size());
    QCOMPARE(u.MemberList, listed);
    QVERIFY(m_prompts->prompts.isEmpty());
    // A listing run writes nothing.
    QVERIFY(!QFileInfo::exists(m_dir->filePath("test")));
    QVERIFY(u.writtenFiles().isEmpty());
}

void TestUnzip::prefixFilterLines_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("listed"); // trimmed; every line is padded to 80
    const QStringList members{"maps/q3dm1.bsp",       "levelshots/q3dm1.jpg", "MAPS/Q3DM2.BSP",
                              "LEVELSHOTS/Q3DM2.TGA", "mapsextra.txt",        "maps/"};
    QTest::newRow("MAPS/") << "MAPS/" << QStringList{"maps/q3dm1.bsp", "MAPS/Q3DM2.BSP", "maps/"};
    QTest::newRow("LEVELSHOTS/ in capitals")
        << "LEVELSHOTS/" << QStringList{"levelshots/q3dm1.jpg", "LEVELSHOTS/Q3DM2.TGA"};
    QTest::newRow("filter written in lower case")
        << "maps/" << QStringList{"maps/q3dm1.bsp", "MAPS/Q3DM2.BSP", "maps/"};
    QTest::newRow("no filter lists all") << "" << members;
    QTest::newRow("nothing matches") << "DEMOS/" << QStringList{};
}

void TestUnzip::prefixFilterLines()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, listed);
    QList<ZipMember> m;
    for (const char* n : {"maps/q3dm1.bsp", "levelshots/q3dm1.jpg", "MAPS/Q3DM2.BSP",
                          "LEVELSHOTS/Q3DM2.TGA", "mapsextra.txt", "maps/"})
        m.append({QString(n), QByteArray("x")});
    UnzipModule u(UnzipVariant::PrefixFilter);
    u.MemberCount = 0;
    u.MemberFilter = filter;
    QCOMPARE(u.RunUnzip(zipOf(m), "\\test\\", 1, 0, 1, 1, 0, 0), 0);
    QCOMPARE(u.MemberCount, listed.size());
    QStringList trimmed;
    for (int i = 0; i < u.MemberCount; ++i) {
        QCOMPARE(u.MemberList[i].size(), 80);
        trimmed.append(u.MemberList[i].trimmed());
    }
    QCOMPARE(trimmed, listed);
}

void TestUnzip::listingsHaveNoFixedSize_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("members");
    QTest::newRow("listing-all past 5001") << int(UnzipVariant::ListingAll) << 6500;
    QTest::newRow("prefix-filter past 2001") << int(UnzipVariant::PrefixFilter) << 2600;
}

void TestUnzip::listingsHaveNoFixedSize()
{
    QFETCH(int, variant);
    QFETCH(int, members);
    QList<ZipMember> m;
    for (int i = 0; i < members; ++i)
        m.append({QString("maps/m%1.bsp").arg(i), QByteArray()});
    UnzipModule u{UnzipVariant(variant)};
    u.MemberCount = 0;
    u.MemberFilter = "MAPS/";
    QCOMPARE(u.RunUnzip(zipOf(m), "\\test\\", 1, 0, 1, 1, 0, 0), 0);
    QCOMPARE(u.MemberCount, members);
    QCOMPARE(u.MemberList.value(members - 1).trimmed(), QString("maps/m%1.bsp").arg(members - 1));
}

void TestUnzip::memberCountIsTheCallersCursor()
{
    const QString a = zipOf({{"a1.txt", "1"}, {"a2.txt", "2"}, {"a3.txt", "3"}}, "a.pk3");
    const QString b = zipOf({{"b1.txt", "1"}}, "b.pk3");
    ExplorerUnzip u;
    u.MemberCount = 0;
    u.RunUnzip(a, "\\test\\", 1, 0, 1, 1, 0, 0);
    // Not reset: the next listing goes on after the last member.
    u.RunUnzip(b, "\\test\\", 1, 0, 1, 1, 0, 0);
    QCOMPARE(u.MemberList, (QStringList{"a1.txt", "a2.txt", "a3.txt", "b1.txt"}));
    // Reset: no stale member of the longer listing survives.
    u.MemberCount = 0;
    u.RunUnzip(b, "\\test\\", 1, 0, 1, 1, 0, 0);
    QCOMPARE(u.MemberCount, 1);
    QCOMPARE(u.MemberList, QStringList{"b1.txt"});
}

void TestUnzip::extractDropsFoldersAndReplaces()
{
    const QString zip = zipOf({{"textures/base/wall.tga", "new wall"}, {"other.txt", "o"}});
    const QString target = m_dir->filePath("comp") + "/temp/";
    test::writeFile(target + "wall.tga", "old wall, longer than the new one");
    ExplorerUnzip u;
    u.ExtractNames[0] = "textures/base/wall.tga";
    u.ExtractNames[1] = "textures/base/wall.tga";
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), 0);
    QCOMPARE(test::readFile(target + "wall.tga"), QByteArray("new wall"));
    QCOMPARE(filesBelow(target), QStringList{"wall.tga"});
    QCOMPARE(u.writtenFiles(), QStringList{target + "wall.tga"});
    QVERIFY(m_prompts->prompts.isEmpty());
}

void TestUnzip::extractKeepingFolders()
{
    const QString zip = zipOf(
        {{"maps/", {}}, {"maps/q3dm1.bsp", "bsp"}, {"env/", {}}, {"levelshots/q3dm1.jpg", "jpg"}});
    const QString target = m_dir->filePath("out");
    ExplorerUnzip u;
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 1, 0, 0), 0);
    QCOMPARE(filesBelow(target), (QStringList{"levelshots/q3dm1.jpg", "maps/q3dm1.bsp"}));
    QVERIFY(QFileInfo(target + "/env").isDir());
    QCOMPARE(u.writtenFiles().size(), 2);
}

void TestUnzip::extractLongAndPaddedNames()
{
    const QString longName = QString("models/") + QString(60, 'x') + ".md3";
    const QString zip = zipOf({{longName, "long"}, {" spaced.cfg ", "spaced"}});
    ExplorerUnzip lister;
    lister.RunUnzip(zip, "\\test\\", 1, 0, 1, 1, 0, 0);
    QCOMPARE(lister.MemberList, (QStringList{longName, "spaced.cfg"}));
    // Each listed name extracts its member.
    const QString target = m_dir->filePath("x/");
    for (const QString& listed : lister.MemberList) {
        ExplorerUnzip u;
        u.ExtractNames[0] = listed;
        QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), 0);
        QCOMPARE(u.writtenFiles().size(), 1);
    }
    QCOMPARE(test::readFile(target + QString(60, 'x') + ".md3"), QByteArray("long"));
    QCOMPARE(test::readFile(target + " spaced.cfg "), QByteArray("spaced"));
}

void TestUnzip::extractOfAMissingNameFails_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("prompts");
    QTest::newRow("listing-all reports it") << int(UnzipVariant::ListingAll) << 1;
    QTest::newRow("prefix-filter is silent") << int(UnzipVariant::PrefixFilter) << 0;
}

void TestUnzip::extractOfAMissingNameFails()
{
    QFETCH(int, variant);
    QFETCH(int, prompts);
    const QString zip = zipOf({{"a/x/readme.txt", "r"}});
    ExplorerUnzip explorer;
    UnzipModule silent(UnzipVariant::PrefixFilter);
    UnzipModule& u = UnzipVariant(variant) == UnzipVariant::ListingAll ? explorer : silent;
    u.ExtractNames[0] = "b/x/readme.txt";
    const QString target = m_dir->filePath("t/");
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), int(UnzipModule::NotFound));
    QVERIFY(u.writtenFiles().isEmpty());
    QCOMPARE(filesBelow(target), QStringList{});
    QVERIFY(u.lastError().contains("b/x/readme.txt"));
    QCOMPARE(m_prompts->prompts.size(), prompts);
    if (prompts) {
        const Prompt p = m_prompts->prompts.first();
        // What went wrong in words, the run's code after it.
        QCOMPARE(p.text, u.lastError() + "\n\n(unzip code 11)");
        QCOMPARE(p.buttons, Buttons::Ok);
        QCOMPARE(p.icon, Icon::Warning);
        // A caller that reports the failure itself gets no box.
        m_prompts->clear();
        u.reportFailures = false;
        QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), int(UnzipModule::NotFound));
        QVERIFY(m_prompts->prompts.isEmpty());
    }
}

void TestUnzip::replaceQueryAnswers()
{
    const QString zip = zipOf({{"one.txt", "new1"}, {"two.txt", "new2"}, {"three.txt", "new3"}});
    const QString target = m_dir->filePath("r/");
    auto reset = [&] {
        for (const char* n : {"one.txt", "two.txt", "three.txt"})
            test::writeFile(target + n, "old");
    };
    struct Case {
        QList<Answer> answers;
        QByteArray one, two, three;
        int asked;
    };
    const QList<Case> cases{
        {{Answer::Yes, Answer::Yes, Answer::Yes}, "new1", "new2", "new3", 3},
        {{Answer::No, Answer::Yes, Answer::No}, "old", "new2", "old", 3},
        // Cancel leaves this file and every later one, without asking again.
        {{Answer::Yes, Answer::Cancel}, "new1", "old", "old", 2},
    };
    for (const Case& c : cases) {
        reset();
        m_prompts->clear();
        for (Answer a : c.answers)
            m_prompts->queue(a);
        ExplorerUnzip u;
        QCOMPARE(u.RunUnzip(zip, target, 1, 0, 0, 0, 0, 0), 0);
        QCOMPARE(m_prompts->prompts.size(), c.asked);
        QCOMPARE(m_prompts->prompts[0].text, "Overwrite " + target + "one.txt?");
        QCOMPARE(m_prompts->prompts[0].title, QString("VBUnzip - File already exists"));
        QCOMPARE(m_prompts->prompts[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(test::readFile(target + "one.txt"), c.one);
        QCOMPARE(test::readFile(target + "two.txt"), c.two);
        QCOMPARE(test::readFile(target + "three.txt"), c.three);
    }
    // Neither asked nor allowed to overwrite: the existing file stays.
    reset();
    m_prompts->clear();
    ExplorerUnzip u;
    QCOMPARE(u.RunUnzip(zip, target, 0, 0, 0, 0, 0, 0), 0);
    QVERIFY(m_prompts->prompts.isEmpty());
    QCOMPARE(test::readFile(target + "one.txt"), QByteArray("old"));
}

void TestUnzip::hostileNamesStayInside_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("keepFolders");
    QTest::addColumn<QString>("lands"); // relative to the target folder
    QTest::newRow("dot-dot, flat") << "../evil.txt" << 0 << "evil.txt";
    QTest::newRow("dot-dot, folders") << "../../up/evil.txt" << 1 << "up/evil.txt";
    QTest::newRow("dot-dot inside") << "a/../../evil.txt" << 1 << "a/evil.txt";
    QTest::newRow("absolute") << "/tmp/evil.txt" << 1 << "tmp/evil.txt";
    QTest::newRow("backslashes") << "..\\..\\evil.txt" << 1 << "evil.txt";
    QTest::newRow("drive letter") << "C:\\windows\\evil.txt" << 1 << "windows/evil.txt";
    QTest::newRow("drive-relative") << "C:evil.txt" << 0 << "evil.txt";
    QTest::newRow("drive letters twice") << "C:D:evil.txt" << 0 << "evil.txt";
}

void TestUnzip::hostileNamesStayInside()
{
    QFETCH(QString, member);
    QFETCH(int, keepFolders);
    QFETCH(QString, lands);
    const QString zip = zipOf({{member, "payload"}}, "hostile.pk3");
    const QString target = m_dir->filePath("deep/er/target");
    UnzipModule u(UnzipVariant::PrefixFilter);
    u.ExtractNames[0] = member;
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, int16_t(keepFolders), 1, 0), 0);
    QCOMPARE(filesBelow(target), QStringList{lands});
    QCOMPARE(test::readFile(target + "/" + lands), QByteArray("payload"));
    // Nothing else appeared anywhere in the temporary folder.
    QStringList all = filesBelow(m_dir->path());
    all.removeAll("hostile.pk3");
    QCOMPARE(all, QStringList{"deep/er/target/" + lands});
}

void TestUnzip::linkInTheTargetIsReplacedNotFollowed()
{
    const QString outside = test::writeFile(m_dir->filePath("precious.cfg"), "keep me");
    const QString target = m_dir->filePath("t");
    QDir().mkpath(target);
    QVERIFY(QFile::link(outside, target + "/wall.tga"));
    const QString zip = zipOf({{"textures/wall.tga", "tga"}});
    ExplorerUnzip u;
    u.ExtractNames[0] = "textures/wall.tga";
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), 0);
    QCOMPARE(test::readFile(outside), QByteArray("keep me"));
    QVERIFY(!QFileInfo(target + "/wall.tga").isSymLink());
    QCOMPARE(test::readFile(target + "/wall.tga"), QByteArray("tga"));
}

void TestUnzip::brokenArchives_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing") << "missing" << 9 << "was not found";
    QTest::newRow("empty file") << "empty" << 9 << "is empty";
    QTest::newRow("text file") << "text" << 9 << "not a zip archive";
    QTest::newRow("truncated") << "truncated" << 9 << "incomplete";
}

void TestUnzip::brokenArchives()
{
    QFETCH(QString, kind);
    QFETCH(int, code);
    QFETCH(QString, says);
    QString path = m_dir->filePath("broken.pk3");
    if (kind == "empty")
        test::writeFile(path, {});
    else if (kind == "text")
        test::writeFile(path, QByteArray("// q3config.cfg\nseta name \"x\"\n").repeated(50));
    else if (kind == "truncated") {
        QList<ZipMember> m;
        for (int i = 0; i < 20; ++i)
            m.append({QString("maps/m%1.bsp").arg(i), QByteArray(500, char('a' + i))});
        const QByteArray whole = test::readFile(zipOf(m, "whole.pk3"));
        test::writeFile(path, whole.left(whole.size() / 2));
    }
    for (UnzipVariant v : {UnzipVariant::ListingAll, UnzipVariant::PrefixFilter}) {
        m_prompts->clear();
        ExplorerUnzip explorer;
        UnzipModule silent(UnzipVariant::PrefixFilter);
        UnzipModule& u = v == UnzipVariant::ListingAll ? explorer : silent;
        u.MemberCount = 0;
        QCOMPARE(u.RunUnzip(path, "\\test\\", 1, 0, 1, 1, 0, 0), code);
        QCOMPARE(u.MemberCount, 0);
        QVERIFY2(u.lastError().contains(says), qPrintable(u.lastError()));
        if (v == UnzipVariant::ListingAll) {
            QCOMPARE(m_prompts->prompts.size(), 1);
            QCOMPARE(m_prompts->prompts[0].text,
                     u.lastError() + QString("\n\n(unzip code %1)").arg(code));
        } else {
            QVERIFY(m_prompts->prompts.isEmpty());
        }
    }
}

void TestUnzip::encryptedMembersAreSkipped()
{
    ZipMember secret{"secret.cfg", "password protected", true};
    const QString zip = zipOf({secret, {"plain.cfg", "plain"}});
    const QString target = m_dir->filePath("e/");
    UnzipModule all(UnzipVariant::PrefixFilter);
    QCOMPARE(all.RunUnzip(zip, target, 0, 1, 0, 0, 0, 0), int(UnzipModule::Warning));
    QCOMPARE(filesBelow(target), QStringList{"plain.cfg"});
    QVERIFY(all.lastError().contains("secret.cfg"));

    UnzipModule one(UnzipVariant::PrefixFilter);
    one.ExtractNames[0] = "secret.cfg";
    QCOMPARE(one.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), int(UnzipModule::Encrypted));
    QVERIFY(one.writtenFiles().isEmpty());
    QCOMPARE(filesBelow(target), QStringList{"plain.cfg"});
    // Listing still shows it.
    ExplorerUnzip lister;
    lister.RunUnzip(zip, "\\test\\", 1, 0, 1, 1, 0, 0);
    QCOMPARE(lister.MemberList, (QStringList{"secret.cfg", "plain.cfg"}));
}

void TestUnzip::absurdSizesAreCapped_data()
{
    QTest::addColumn<quint32>("claimed"); // 0: the true size
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::newRow("claims 4 GB") << quint32(0xF0000000u) << qint64(512) * 1024 * 1024
                                 << int(UnzipModule::Warning) << "claims 4026531840 bytes";
    QTest::newRow("bigger than the cap")
        << quint32(0) << qint64(1000) << int(UnzipModule::Warning) << "more than the limit";
    QTest::newRow("more data than claimed")
        << quint32(10) << qint64(512) * 1024 * 1024 << int(UnzipModule::Damaged) << "more data";
}

void TestUnzip::absurdSizesAreCapped()
{
    QFETCH(quint32, claimed);
    QFETCH(qint64, cap);
    QFETCH(int, code);
    QFETCH(QString, says);
    QString zip = zipOf({{"maps/big.bsp", QByteArray(200000, 'z')}}, "big.pk3");
    if (claimed)
        test::writeFile(zip, claimSize(test::readFile(zip), claimed));
    const QString target = m_dir->filePath("c/");
    UnzipModule u(UnzipVariant::PrefixFilter);
    u.maxMemberSize = cap;
    u.ExtractNames[0] = "maps/big.bsp";
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), code);
    QVERIFY2(u.lastError().contains(says), qPrintable(u.lastError()));
    QVERIFY(u.writtenFiles().isEmpty());
    QCOMPARE(filesBelow(target), QStringList{});
}

void TestUnzip::damagedDataLeavesNoFile()
{
    QString zip =
        zipOf({{"scripts/a.shader", QByteArray("textures/base/wall\n{\n}\n").repeated(400)}});
    QByteArray bytes = test::readFile(zip);
    // Flip bytes in the compressed data (after the local header and its name).
    const qsizetype data = 30 + QByteArray("scripts/a.shader").size();
    for (int i = 0; i < 8; ++i)
        bytes[data + 20 + i] = char(bytes[data + 20 + i] ^ 0x5a);
    test::writeFile(zip, bytes);
    const QString target = m_dir->filePath("d/");
    test::writeFile(target + "a.shader", "the user's own file");
    ExplorerUnzip u;
    u.ExtractNames[0] = "scripts/a.shader";
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), int(UnzipModule::Damaged));
    QVERIFY(u.writtenFiles().isEmpty());
    QCOMPARE(filesBelow(target), QStringList{"a.shader"});
    QCOMPARE(test::readFile(target + "a.shader"), QByteArray("the user's own file"));
}

void TestUnzip::listingReadsEveryArchiveLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("members");
    QTest::newRow("archive comment") << "comment" << 3;
    QTest::newRow("data before the archive") << "prefix" << 3;
    QTest::newRow("more than 65535 members (zip64)") << "many" << 70000;
    QTest::newRow("name with a NUL") << "nul" << 1;
}

void TestUnzip::listingReadsEveryArchiveLayout()
{
    QFETCH(QString, layout);
    QFETCH(int, members);
    QStringList names;
    for (int i = 0; i < members; ++i)
        names.append(QString("maps/m%1.bsp").arg(i));
    const QString path = m_dir->filePath("layout.pk3");
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    QVERIFY(z);
    for (const QString& n : names) {
        zip_source_t* src = zip_source_buffer(z, "x", 1, 0);
        const zip_int64_t at = zip_file_add(z, n.toLatin1().constData(), src, 0);
        QVERIFY(at >= 0);
        // Stored, not deflated: a compressor per member makes 70000 members take most of a
        // minute under the sanitizers.
        zip_set_file_compression(z, zip_uint64_t(at), ZIP_CM_STORE, 0);
    }
    if (layout == "comment")
        zip_set_archive_comment(z, "made by a test", 14);
    QCOMPARE(zip_close(z), 0);
    QByteArray bytes = test::readFile(path);
    if (layout == "prefix")
        test::writeFile(path, QByteArray(1000, '#') + bytes);
    if (layout == "nul") {
        // "maps/m0.bsp" becomes "maps/m0" followed by a NUL in the directory's copy.
        const qsizetype at = bytes.lastIndexOf("maps/m0.bsp");
        bytes[at + 7] = '\0';
        test::writeFile(path, bytes);
        names = QStringList{"maps/m0"};
    }
    ExplorerUnzip u;
    QCOMPARE(u.RunUnzip(path, "\\test\\", 1, 0, 1, 1, 0, 0), 0);
    QCOMPARE(u.MemberCount, names.size());
    QCOMPARE(u.MemberList, names);
}

// A small archive whose directory entries all point at one member of zeros used to
// unpack that member once per entry.
void TestUnzip::overlappingEntriesAreRefused()
{
    QList<QPair<QByteArray, QByteArray>> members;
    for (int i = 0; i < 60; ++i)
        members.append({"maps/zero" + QByteArray::number(i) + ".bsp", QByteArray(1000, '\0')});
    const QString zip = test::writeFile(m_dir->filePath("overlap.pk3"), rawZip(members, true));
    const QString target = m_dir->filePath("o/");
    for (int listOnly : {1, 0}) {
        ExplorerUnzip u;
        u.ExtractNames[0] = "maps/zero0.bsp";
        m_prompts->clear();
        QCOMPARE(u.RunUnzip(zip, target, 0, 1, int16_t(listOnly), 0, 1, 0),
                 int(UnzipModule::BadArchive));
        QVERIFY2(u.lastError().contains("overlaps"), qPrintable(u.lastError()));
        QCOMPARE(m_prompts->texts().size(), 1);
        QVERIFY(m_prompts->texts()[0].endsWith("\n\n(unzip code 3)"));
        QVERIFY(u.writtenFiles().isEmpty());
    }
    QCOMPARE(filesBelow(target), QStringList{});
}

// Twenty real members of one name: each fits, all together pass the bound of one run,
// which is checked before anything is written.
void TestUnzip::oneRunHasABound()
{
    QList<QPair<QByteArray, QByteArray>> members;
    for (int i = 0; i < 20; ++i)
        members.append({"maps/big.bsp", QByteArray(100000, 'z')});
    const QString zip = test::writeFile(m_dir->filePath("dupes.pk3"), rawZip(members));
    const QString target = m_dir->filePath("b/");
    UnzipModule u(UnzipVariant::PrefixFilter);
    u.maxRunBytes = 1000000;
    u.ExtractNames[0] = "maps/big.bsp";
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), int(UnzipModule::DiskError));
    QVERIFY2(u.lastError().contains("2000000 bytes") && u.lastError().contains("limit"),
             qPrintable(u.lastError()));
    QCOMPARE(filesBelow(target), QStringList{});
    // Under the bound the same run works.
    u.maxRunBytes = 3000000;
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0), 0);
    QCOMPARE(filesBelow(target), QStringList{"big.bsp"});
}

void TestUnzip::foldersStayInsideTheTarget()
{
    const QString outside = m_dir->filePath("outside");
    QDir().mkpath(outside);
    const QString target = m_dir->filePath("t");
    QDir().mkpath(target);
    QVERIFY(QFile::link(outside, target + "/maps"));
    const QString zip = zipOf({{"maps/", ""},
                               {"maps/sub/", ""},
                               {"maps/deep/er/", ""},
                               {"maps/deep/x.bsp", "bsp"},
                               {"ok/fine.txt", "fine"}},
                              "folders.pk3");
    UnzipModule u(UnzipVariant::PrefixFilter);
    QCOMPARE(u.RunUnzip(zip, target, 0, 1, 0, 1, 0, 0), int(UnzipModule::Warning));
    QVERIFY2(u.lastError().contains("outside"), qPrintable(u.lastError()));
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
    QCOMPARE(test::readFile(target + "/ok/fine.txt"), QByteArray("fine"));
}

void TestUnzip::listingAndExtractionAgreeOnNames_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("name with a NUL") << "nul";
    QTest::newRow("entry count wrapped at 65,536") << "wrapped";
    QTest::newRow("entry count stuck at 65,535") << "stuck";
}

void TestUnzip::listingAndExtractionAgreeOnNames()
{
    QFETCH(QString, layout);
    QList<QPair<QByteArray, QByteArray>> members;
    if (layout == "nul") {
        members.append({QByteArray("maps/m0\0.bsp", 12), "hello"});
    } else {
        const int count = layout == "stuck" ? 100000 : 65536 + 20;
        for (int i = 0; i < count; ++i)
            members.append({"m" + QByteArray::number(i), "x"});
        members.last().second = "last one";
    }
    const QString zip =
        test::writeFile(m_dir->filePath("names.pk3"), rawZip(members, false, layout == "stuck"));
    ExplorerUnzip lister;
    QCOMPARE(lister.RunUnzip(zip, "\\test\\", 1, 0, 1, 1, 0, 0), 0);
    QCOMPARE(lister.MemberCount, members.size());
    const QString last = lister.MemberList.last();
    QCOMPARE(last, layout == "nul"     ? QString("maps/m0")
                   : layout == "stuck" ? QString("m99999")
                                       : QString("m65555"));

    const QString target = m_dir->filePath("n/");
    ExplorerUnzip u;
    u.ExtractNames[0] = last;
    const int rc = u.RunUnzip(zip, target, 0, 1, 0, 0, 1, 0);
    QVERIFY2(rc == 0, qPrintable(u.lastError()));
    const QString file = target + QString(last).remove("maps/");
    QCOMPARE(test::readFile(file), members.last().second);
}

void TestUnzip::fullDiskLeavesNoFile()
{
    test::ScratchMount disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString zip = zipOf({{"levelshots/q3dm1.tga", QByteArray(4096, 'l')}});
    test::writeFile(disk.filePath("q3dm1.tga"), "the old one");
    QVERIFY(disk.fill());
    UnzipModule u(UnzipVariant::PrefixFilter);
    u.ExtractNames[0] = "levelshots/q3dm1.tga";
    QCOMPARE(u.RunUnzip(zip, disk.path(), 0, 1, 0, 0, 1, 0), int(UnzipModule::DiskError));
    QVERIFY2(u.lastError().contains("No space left on device") ||
                 u.lastError().contains("bytes free"),
             qPrintable(u.lastError()));
    QVERIFY(u.writtenFiles().isEmpty());
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{".filler", "q3dm1.tga"}));
    QCOMPARE(test::readFile(disk.filePath("q3dm1.tga")), QByteArray("the old one"));
}

QTEST_MAIN(TestUnzip)
#include "test_unzip.moc"
