// Picture display into a picture box, with real image files written by the test.
#include "gui/PictureBox.h"
#include "gui/PictureDisplay.h"
#include "gui/TgaReader.h"
#include "gui/Twips.h"
#include "testsupport/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace fragdeck;
using namespace fragdeck::archive;

namespace
{

// An uncompressed 24-bit TGA; rows run bottom-up unless topDown.
QByteArray tga(const QImage& image, bool topDown)
{
    QByteArray out(18, '\0');
    out[2] = 2;
    out[12] = char(image.width() & 0xff);
    out[13] = char(image.width() >> 8);
    out[14] = char(image.height() & 0xff);
    out[15] = char(image.height() >> 8);
    out[16] = 24;
    out[17] = topDown ? 0x20 : 0x00;
    for (int r = 0; r < image.height(); ++r) {
        const int y = topDown ? r : image.height() - 1 - r;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        }
    }
    return out;
}

// A TGA in any supported form: type 2/3/10/11 at the given depth, run-length encoded
// packets when rle (runs of equal pixels, raw packets otherwise).
QByteArray tgaOf(const QImage& image, int type, int depth, bool withFooter)
{
    QByteArray out(18, '\0');
    out[2] = char(type);
    out[12] = char(image.width() & 0xff);
    out[13] = char(image.width() >> 8);
    out[14] = char(image.height() & 0xff);
    out[15] = char(image.height() >> 8);
    out[16] = char(depth);
    out[17] = char(0x20 | (depth == 32 ? 8 : 0));
    auto pixel = [&](QRgb c) {
        QByteArray p;
        if (depth == 8)
            p.append(char(qGray(c)));
        else if (depth == 16) {
            const uint v =
                (uint(qRed(c) >> 3) << 10) | (uint(qGreen(c) >> 3) << 5) | uint(qBlue(c) >> 3);
            p.append(char(v & 0xff)).append(char(v >> 8));
        } else {
            p.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (depth == 32)
                p.append(char(qAlpha(c)));
        }
        return p;
    };
    QList<QRgb> px;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            px.append(image.pixel(x, y));
    const bool rle = type >= 9;
    for (qsizetype i = 0; i < px.size();) {
        if (!rle) {
            out += pixel(px[i++]);
            continue;
        }
        qsizetype run = 1;
        while (i + run < px.size() && run < 128 && px[i + run] == px[i])
            ++run;
        if (run > 1) {
            out.append(char(0x80 | (run - 1))).append(pixel(px[i]));
        } else {
            out.append(char(0)).append(pixel(px[i]));
        }
        i += run;
    }
    if (withFooter)
        out += QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.\0", 18);
    return out;
}

QImage filled(int w, int h, QColor c)
{
    QImage i(w, h, QImage::Format_RGB32);
    i.fill(c);
    return i;
}

bool near(QRgb a, QColor b)
{
    return std::abs(qRed(a) - b.red()) < 24 && std::abs(qGreen(a) - b.green()) < 24 &&
           std::abs(qBlue(a) - b.blue()) < 24;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void resizingVariantSizesTheBox_data();
    void resizingVariantSizesTheBox();
    void tgaOrientation_data();
    void tgaOrientation();
    void fixedBoxNeitherClearsNorResizes_data();
    void fixedBoxNeitherClearsNorResizes();
    void unreadableFiles_data();
    void unreadableFiles();
    void tgaForms_data();
    void tgaForms();
    void brokenTgas_data();
    void brokenTgas();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPicture::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestPicture::resizingVariantSizesTheBox_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("twipsW");
    QTest::addColumn<int>("twipsH");
    QTest::newRow("256 x 128 TGA") << "shot.tga" << 256 << 128 << 3900 << 1980;
    QTest::newRow("upper-case .TGA") << "LEVELSHOTS_Q3DM1.TGA" << 256 << 128 << 3900 << 1980;
    QTest::newRow("JPG") << "wall.jpg" << 64 << 32 << 1020 << 540;
    QTest::newRow("1 x 1") << "dot.tga" << 1 << 1 << 75 << 75;
}

void TestPicture::resizingVariantSizesTheBox()
{
    QFETCH(QString, file);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, twipsW);
    QFETCH(int, twipsH);
    QCOMPARE(twipsPerPixelX(), 15.0);
    const QColor red(220, 20, 20);
    const QString path = m_dir->filePath(file);
    if (file.endsWith("jpg"))
        QVERIFY(filled(w, h, red).save(path, "JPG", 95));
    else
        test::writeFile(path, tga(filled(w, h, red), false));

    PictureBox box;
    box.resize(500, 500);
    box.drawImage(filled(500, 500, Qt::green)); // what was there before
    NViewLibShowPicutre(&box, path, 1, PictureVariant::Resizing);
    QCOMPARE(GetWidth(), w);
    QCOMPARE(GetHeight(), h);
    QCOMPARE(box.twipsWidth(), twipsW);
    QCOMPARE(box.twipsHeight(), twipsH);
    QCOMPARE(box.size(), QSize(w + 4, h + 4));
    QVERIFY(near(box.canvas().pixel(0, 0), red));
    QVERIFY(near(box.canvas().pixel(w - 1, h - 1), red));
    // The 4-pixel margin shows the background, not the old picture.
    const QColor bg = box.palette().color(QPalette::Window);
    QVERIFY(near(box.canvas().pixel(w + 2, 0), bg));
    QVERIFY(near(box.canvas().pixel(0, h + 2), bg));
}

void TestPicture::tgaOrientation_data()
{
    QTest::addColumn<bool>("topDown");
    QTest::newRow("bottom-up rows") << false;
    QTest::newRow("top-down rows") << true;
}

void TestPicture::tgaOrientation()
{
    QFETCH(bool, topDown);
    QImage img = filled(8, 8, Qt::blue);
    for (int x = 0; x < 8; ++x)
        img.setPixel(x, 0, qRgb(255, 0, 0)); // the top row is red
    const QString path = test::writeFile(m_dir->filePath("o.tga"), tga(img, topDown));
    PictureBox box;
    NViewLibShowPicutre(&box, path, 0, PictureVariant::Resizing);
    QVERIFY(near(box.canvas().pixel(3, 0), Qt::red));
    QVERIFY(near(box.canvas().pixel(3, 7), Qt::blue));
}

void TestPicture::fixedBoxNeitherClearsNorResizes_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("smaller than the box") << 20 << 10;
    QTest::newRow("larger than the box") << 300 << 200;
    QTest::newRow("wider, not higher") << 300 << 10;
}

void TestPicture::fixedBoxNeitherClearsNorResizes()
{
    QFETCH(int, w);
    QFETCH(int, h);
    PictureBox box;
    box.resize(100, 60);
    // The first picture fills the box; the second is drawn over it.
    const QString first =
        test::writeFile(m_dir->filePath("a.tga"), tga(filled(100, 60, Qt::red), false));
    const QString second =
        test::writeFile(m_dir->filePath("b.tga"), tga(filled(w, h, Qt::blue), false));
    NViewLibShowPicutre(&box, first, 0, PictureVariant::FixedBox);
    NViewLibShowPicutre(&box, second, 0, PictureVariant::FixedBox);
    QCOMPARE(box.size(), QSize(100, 60));
    for (const QPoint p :
         {QPoint(0, 0), QPoint(99, 59), QPoint(50, 30), QPoint(99, 0), QPoint(0, 59)}) {
        const bool inside = p.x() < w && p.y() < h;
        QVERIFY2(near(box.canvas().pixel(p), inside ? Qt::blue : Qt::red),
                 qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
    }
}

void TestPicture::unreadableFiles_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("garbage with a .tga name") << QByteArray("\x01\x02\x03 not a picture", 17);
    QTest::newRow("truncated JPEG") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10);
}

void TestPicture::unreadableFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir->filePath("bad.tga");
    if (!bytes.isEmpty())
        test::writeFile(path, bytes);
    PictureBox fixed;
    fixed.resize(40, 40);
    fixed.drawImage(filled(40, 40, Qt::red));
    NViewLibShowPicutre(&fixed, path, 0, PictureVariant::FixedBox);
    QVERIFY(!lastLoadError().isEmpty());
    QCOMPARE(GetWidth(), 0);
    QCOMPARE(fixed.size(), QSize(40, 40));
    QVERIFY(near(fixed.canvas().pixel(20, 20), Qt::red));

    PictureBox resizing;
    resizing.resize(40, 40);
    resizing.drawImage(filled(40, 40, Qt::red));
    NViewLibShowPicutre(&resizing, path, 1, PictureVariant::Resizing);
    QCOMPARE(resizing.size(), QSize(4, 4));
    QVERIFY(near(resizing.canvas().pixel(1, 1), resizing.palette().color(QPalette::Window)));
}

void TestPicture::tgaForms_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("footer");
    QTest::newRow("24-bit, no footer") << 2 << 24 << false;
    QTest::newRow("24-bit RLE") << 10 << 24 << false;
    QTest::newRow("32-bit RLE with footer") << 10 << 32 << true;
    QTest::newRow("32-bit") << 2 << 32 << false;
    QTest::newRow("16-bit") << 2 << 16 << false;
    QTest::newRow("8-bit grey RLE") << 11 << 8 << false;
}

void TestPicture::tgaForms()
{
    QFETCH(int, type);
    QFETCH(int, depth);
    QFETCH(bool, footer);
    // Runs that cross rows, and single odd pixels.
    QImage img = filled(37, 9, QColor(200, 200, 200));
    for (int x = 0; x < 37; x += 5)
        img.setPixel(x, 4, qRgb(16, 16, 16));
    img.setPixel(36, 8, qRgb(248, 248, 248));
    const QString path =
        test::writeFile(m_dir->filePath("form.tga"), tgaOf(img, type, depth, footer));
    const QImage got = NViewLibLoad(path, 0);
    QVERIFY2(!got.isNull(), qPrintable(lastLoadError()));
    QCOMPARE(got.size(), img.size());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            QVERIFY2(near(got.pixel(x, y), QColor(img.pixel(x, y))),
                     qPrintable(QString("%1,%2").arg(x).arg(y)));
}

void TestPicture::brokenTgas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = tgaOf(filled(16, 16, Qt::red), 10, 24, false);
    QTest::newRow("cut in the header") << good.left(10);
    QTest::newRow("cut in the pixels") << good.left(good.size() - 2);
    QByteArray huge = good;
    huge[12] = huge[13] = huge[14] = huge[15] = char(0xff);
    QTest::newRow("claims 65535 x 65535") << huge;
    QByteArray badType = good;
    badType[2] = 7;
    QTest::newRow("unknown type") << badType;
    QByteArray badDepth = good;
    badDepth[16] = 12;
    QTest::newRow("unknown depth") << badDepth;
    QByteArray mapped = good;
    mapped[1] = 1;
    mapped[2] = 1;
    mapped[5] = char(0xff); // 255 map entries that the file does not hold
    mapped[7] = 24;
    mapped[16] = 8;
    QTest::newRow("colour map past the end") << mapped;
}

void TestPicture::brokenTgas()
{
    QFETCH(QByteArray, bytes);
    QString why;
    QVERIFY(readTga(bytes, &why).isNull());
    QVERIFY(!why.isEmpty());
}

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
