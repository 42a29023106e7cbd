// Draws the about window's background picture (a PNG, whatever the file's name says).
//   make_abdata OUT
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_abdata OUT\n");
        return 2;
    }
    const int w = 420, h = 260;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Night sky over an arena floor: deep blue to rust.
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(0x0b, 0x10, 0x24));
    sky.setColorAt(0.62, QColor(0x2a, 0x18, 0x30));
    sky.setColorAt(1.0, QColor(0x5a, 0x1e, 0x12));
    p.fillRect(img.rect(), sky);

    // A glow behind the emblem.
    const QPointF c(w - 92, 96);
    QRadialGradient glow(c, 120);
    glow.setColorAt(0, QColor(255, 140, 40, 120));
    glow.setColorAt(1, QColor(255, 140, 40, 0));
    p.fillRect(img.rect(), glow);

    // The emblem: concentric rings with a crosshair, in the colours of a rail trail.
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(QColor(255, 170 - i * 30, 60, 200 - i * 40), 3.0 - i * 0.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 30.0 + i * 16, 30.0 + i * 16);
    }
    p.setPen(QPen(QColor(255, 220, 160, 220), 2));
    p.drawLine(QPointF(c.x() - 90, c.y()), QPointF(c.x() - 14, c.y()));
    p.drawLine(QPointF(c.x() + 14, c.y()), QPointF(c.x() + 90, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 90), QPointF(c.x(), c.y() - 14));
    p.drawLine(QPointF(c.x(), c.y() + 14), QPointF(c.x(), c.y() + 90));

    // A perspective grid on the floor.
    p.setPen(QPen(QColor(255, 120, 60, 70), 1));
    const double horizon = h * 0.62;
    for (int i = -10; i <= 10; ++i)
        p.drawLine(QPointF(w / 2.0 + i * 14, horizon), QPointF(w / 2.0 + i * 80, h));
    for (int j = 1; j < 8; ++j) {
        const double y = horizon + (h - horizon) * std::pow(j / 8.0, 1.8);
        p.drawLine(QPointF(0, y), QPointF(w, y));
    }

    // A band behind the buttons so they read on any part of the picture.
    p.fillRect(QRectF(0, h - 58, w, 58), QColor(0, 0, 0, 90));
    p.setPen(QPen(QColor(255, 150, 60, 160), 1));
    p.drawLine(QPointF(0, h - 58), QPointF(w, h - 58));
    p.end();
    return img.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
