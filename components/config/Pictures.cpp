#include "Pictures.h"

#include "gui/Outline.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace fragdeck::config
{
namespace
{

using Draw = std::function<void(QPainter&)>;

// Drawn on a 32 x 32 grid, rendered at the sizes the views ask for.
QIcon picture(const Draw& draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

const QColor Ink(0x2b, 0x33, 0x3d);
const QColor Amber(0xe8, 0xa3, 0x2e);
const QColor AmberDark(0xb5, 0x76, 0x12);
const QColor Steel(0x4f, 0x7c, 0xac);
const QColor Leaf(0x2f, 0x9e, 0x4f);
const QColor Ember(0xc9, 0x3c, 0x2a);

void folderShape(QPainter& p)
{
    p.setPen(QPen(AmberDark, 1.5));
    p.setBrush(AmberDark.lighter(130));
    p.drawPath(outline({{3, 8}, {12, 8}, {15, 11}, {29, 11}, {29, 26}, {3, 26}}, true));
    p.setBrush(Amber);
    p.drawPath(outline({{3, 14}, {29, 14}, {29, 26}, {3, 26}}, true));
}

// A bent line such as an arrow head or a tick: round ends and joins, nothing filled.
void stroke(QPainter& p, const QPainterPath& path, const QColor& colour, qreal width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void field(QPainter& p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 8, 26, 16), 2.5, 2.5);
}

} // namespace

ImageList treePictures()
{
    ImageList list;
    list.insert(QStringLiteral("folder"), picture(folderShape));
    list.insert(QStringLiteral("val"), picture([](QPainter& p) {
                    field(p);
                    p.setPen(QPen(Steel, 2.2, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(QPointF(8, 16), QPointF(17, 16));
                    p.setPen(QPen(Ink, 1.6));
                    p.drawLine(QPointF(21, 11), QPointF(21, 21));
                }));
    list.insert(QStringLiteral("check"), picture([](QPainter& p) {
                    p.setPen(QPen(Ink, 1.5));
                    p.setBrush(Qt::white);
                    p.drawRoundedRect(QRectF(5, 5, 22, 22), 3, 3);
                    stroke(p, outline({{9, 16}, {14, 21}, {23, 10}}, false), Leaf, 3.2);
                }));
    list.insert(QStringLiteral("combo"), picture([](QPainter& p) {
                    field(p);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Steel);
                    p.drawRect(QRectF(20, 9, 8, 14));
                    p.setBrush(Qt::white);
                    p.drawPath(outline({{21.5, 14}, {26.5, 14}, {24, 18}}, true));
                    p.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(QPointF(7, 16), QPointF(15, 16));
                }));
    return list;
}

ImageList toolbarPictures()
{
    ImageList list;
    list.insert(QStringLiteral("open"), picture([](QPainter& p) {
                    folderShape(p);
                    stroke(p, outline({{20, 3}, {27, 9}, {20, 15}}, false), Steel, 2.6);
                    p.drawLine(QPointF(11, 9), QPointF(26, 9));
                }));
    list.insert(QStringLiteral("save"), picture([](QPainter& p) {
                    p.setPen(QPen(Ink, 1.5));
                    p.setBrush(Steel);
                    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2.5, 2.5);
                    p.setBrush(Qt::white);
                    p.drawRect(QRectF(9, 4, 14, 9));
                    p.setBrush(Ink);
                    p.drawRect(QRectF(18, 6, 3, 5));
                    p.setBrush(QColor(0xdd, 0xe5, 0xee));
                    p.drawRect(QRectF(8, 17, 16, 11));
                }));
    list.insert(QStringLiteral("def"), picture([](QPainter& p) {
                    p.setPen(QPen(Leaf, 3, Qt::SolidLine, Qt::RoundCap));
                    p.setBrush(Qt::NoBrush);
                    p.drawArc(QRectF(6, 6, 20, 20), 100 * 16, 290 * 16);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Leaf);
                    p.drawPath(outline({{9, 2}, {17, 6.5}, {10, 12}}, true));
                }));
    list.insert(QStringLiteral("return"), picture([](QPainter& p) {
                    p.setPen(QPen(Ink, 1.5));
                    p.setBrush(QColor(0xdd, 0xe5, 0xee));
                    p.drawRect(QRectF(14, 4, 14, 24));
                    stroke(p, outline({{11, 9}, {4, 16}, {11, 23}}, false), Ember, 3);
                    p.drawLine(QPointF(5, 16), QPointF(21, 16));
                }));
    return list;
}

} // namespace fragdeck::config
