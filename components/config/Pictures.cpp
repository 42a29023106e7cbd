#include "Pictures.h"

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
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(15, 11);
    back.lineTo(29, 11);
    back.lineTo(29, 26);
    back.lineTo(3, 26);
    back.closeSubpath();
    p.setPen(QPen(AmberDark, 1.5));
    p.setBrush(AmberDark.lighter(130));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3, 14);
    front.lineTo(29, 14);
    front.lineTo(29, 26);
    front.lineTo(3, 26);
    front.closeSubpath();
    p.setBrush(Amber);
    p.drawPath(front);
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
                    QPainterPath tick;
                    tick.moveTo(9, 16);
                    tick.lineTo(14, 21);
                    tick.lineTo(23, 10);
                    p.setPen(QPen(Leaf, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                    p.setBrush(Qt::NoBrush);
                    p.drawPath(tick);
                }));
    list.insert(QStringLiteral("combo"), picture([](QPainter& p) {
                    field(p);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Steel);
                    p.drawRect(QRectF(20, 9, 8, 14));
                    QPainterPath arrow;
                    arrow.moveTo(21.5, 14);
                    arrow.lineTo(26.5, 14);
                    arrow.lineTo(24, 18);
                    arrow.closeSubpath();
                    p.setBrush(Qt::white);
                    p.drawPath(arrow);
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
                    QPainterPath arrow;
                    arrow.moveTo(20, 3);
                    arrow.lineTo(27, 9);
                    arrow.lineTo(20, 15);
                    p.setPen(QPen(Steel, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                    p.setBrush(Qt::NoBrush);
                    p.drawPath(arrow);
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
                    QPainterPath head;
                    head.moveTo(9, 2);
                    head.lineTo(17, 6.5);
                    head.lineTo(10, 12);
                    head.closeSubpath();
                    p.setPen(Qt::NoPen);
                    p.setBrush(Leaf);
                    p.drawPath(head);
                }));
    list.insert(QStringLiteral("return"), picture([](QPainter& p) {
                    p.setPen(QPen(Ink, 1.5));
                    p.setBrush(QColor(0xdd, 0xe5, 0xee));
                    p.drawRect(QRectF(14, 4, 14, 24));
                    QPainterPath arrow;
                    arrow.moveTo(11, 9);
                    arrow.lineTo(4, 16);
                    arrow.lineTo(11, 23);
                    p.setPen(QPen(Ember, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                    p.setBrush(Qt::NoBrush);
                    p.drawPath(arrow);
                    p.drawLine(QPointF(5, 16), QPointF(21, 16));
                }));
    return list;
}

} // namespace fragdeck::config
