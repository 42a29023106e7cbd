// Draws the launcher's themes, pictures and sounds into a program-folder tree.
//   fragdeck-make-assets OUTDIR
// OUTDIR receives themes/<name>/..., system/..., version.dat; the desktop icon goes to
// OUTDIR/../fragdeck.png.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

namespace
{

struct Theme {
    const char* name;
    QColor base;    // tile body
    QColor dark;    // background plate
    QColor accent;  // glyphs
    QColor caption; // icon captions
};

const Theme themes[] = {
    {"Default", QColor(92, 60, 36), QColor(30, 24, 20), QColor(255, 150, 40),
     QColor(255, 214, 150)},
    {"Crimson", QColor(96, 18, 18), QColor(22, 10, 10), QColor(255, 70, 50), QColor(255, 190, 180)},
    {"Arctic", QColor(30, 62, 88), QColor(12, 20, 30), QColor(110, 220, 255),
     QColor(200, 240, 255)},
    {"Toxic", QColor(40, 70, 24), QColor(14, 20, 10), QColor(170, 255, 60), QColor(220, 255, 180)},
};

QPainterPath gear(QPointF c, double r, int teeth)
{
    QPainterPath p;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = M_PI * i / teeth, a1 = M_PI * (i + 1) / teeth;
        const double rr = (i % 2) ? r * 0.78 : r;
        if (i == 0)
            p.moveTo(c + QPointF(std::cos(a0), std::sin(a0)) * rr);
        p.lineTo(c + QPointF(std::cos(a0), std::sin(a0)) * rr);
        p.lineTo(c + QPointF(std::cos(a1), std::sin(a1)) * rr);
    }
    p.closeSubpath();
    p.addEllipse(c, r * 0.32, r * 0.32);
    p.setFillRule(Qt::OddEvenFill);
    return p;
}

QPainterPath triangle(QPointF a, QPointF b, QPointF c)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

void glyph(QPainter& p, const QString& key, const QColor& c, double s)
{
    const QPointF m(s / 2, s / 2);
    QPen pen(c, s * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (key == "start") {
        p.drawEllipse(m, s * 0.28, s * 0.28);
        p.setBrush(c);
        p.drawPath(triangle({s * 0.43, s * 0.35}, {s * 0.66, s * 0.5}, {s * 0.43, s * 0.65}));
    } else if (key == "browser") {
        p.drawEllipse(m, s * 0.28, s * 0.28);
        p.drawEllipse(m, s * 0.12, s * 0.28);
        p.drawLine(QPointF(s * 0.22, s * 0.5), QPointF(s * 0.78, s * 0.5));
        p.drawLine(QPointF(s * 0.27, s * 0.36), QPointF(s * 0.73, s * 0.36));
        p.drawLine(QPointF(s * 0.27, s * 0.64), QPointF(s * 0.73, s * 0.64));
    } else if (key == "config") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(gear(m, s * 0.3, 8));
    } else if (key == "glyphtag") {
        QFont f(QStringLiteral("DejaVu Sans"), 10, QFont::Black);
        f.setPixelSize(int(s * 0.46));
        p.setFont(f);
        const QColor cols[] = {QColor(255, 60, 60), QColor(255, 220, 60), QColor(80, 220, 255)};
        const char* letters[] = {"^", "G", "T"};
        for (int i = 0; i < 3; ++i) {
            p.setPen(i == 1 ? c : cols[i]);
            p.drawText(QRectF(s * (0.14 + i * 0.24), s * 0.2, s * 0.26, s * 0.6), Qt::AlignCenter,
                       QLatin1String(letters[i]));
        }
    } else if (key == "options") {
        for (int i = 0; i < 3; ++i) {
            const double y = s * (0.32 + i * 0.18);
            p.drawLine(QPointF(s * 0.24, y), QPointF(s * 0.76, y));
            p.setBrush(c);
            p.drawEllipse(QPointF(s * (0.36 + 0.14 * ((i * 2) % 3)), y), s * 0.06, s * 0.06);
            p.setBrush(Qt::NoBrush);
        }
    } else if (key == "update") {
        const QRectF r(s * 0.24, s * 0.24, s * 0.52, s * 0.52);
        p.drawArc(r, 30 * 16, 150 * 16);
        p.drawArc(r, 210 * 16, 150 * 16);
        p.setBrush(c);
        p.drawPath(triangle({s * 0.2, s * 0.44}, {s * 0.34, s * 0.44}, {s * 0.26, s * 0.56}));
        p.drawPath(triangle({s * 0.8, s * 0.56}, {s * 0.66, s * 0.56}, {s * 0.74, s * 0.44}));
    } else if (key == "bind") {
        p.drawRoundedRect(QRectF(s * 0.24, s * 0.26, s * 0.52, s * 0.48), s * 0.08, s * 0.08);
        QFont f(QStringLiteral("DejaVu Sans"), 10, QFont::Bold);
        f.setPixelSize(int(s * 0.28));
        p.setFont(f);
        p.drawText(QRectF(s * 0.24, s * 0.26, s * 0.52, s * 0.44), Qt::AlignCenter,
                   QStringLiteral("W"));
    } else if (key == "dialup") {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        for (int i = 0; i < 4; ++i) {
            const double h = s * (0.12 + i * 0.12);
            p.drawRoundedRect(QRectF(s * (0.24 + i * 0.14), s * 0.74 - h, s * 0.09, h), 2, 2);
        }
    } else if (key == "explo") {
        const QRectF r(s * 0.24, s * 0.26, s * 0.52, s * 0.5);
        p.drawRect(r);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    }
}

QImage icon(const Theme& t, const QString& key, int s)
{
    QImage img(s, s, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, t.base.lighter(150));
    g.setColorAt(0.5, t.base);
    g.setColorAt(1, t.base.darker(220));
    p.setPen(QPen(QColor(0, 0, 0, 200), s * 0.03));
    p.setBrush(g);
    p.drawRoundedRect(tile, s * 0.16, s * 0.16);
    p.setPen(QPen(QColor(255, 255, 255, 60), s * 0.02));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.04), s * 0.12, s * 0.12);
    // A soft glow behind the glyph.
    QRadialGradient glow(QPointF(s / 2, s / 2), s * 0.4);
    QColor a = t.accent;
    a.setAlpha(90);
    glow.setColorAt(0, a);
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.4, s * 0.4);
    glyph(p, key, t.accent, s);
    return img;
}

QImage plate(const Theme& t, int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Brushed metal: horizontal streaks plus fine noise.
            const int streak = int(6 * std::sin(y * 0.9 + std::sin(y * 0.13) * 3));
            const int n = int(rng.bounded(12)) - 6 + streak;
            img.setPixel(x, y,
                         qRgb(std::clamp(t.dark.red() + n, 0, 255),
                              std::clamp(t.dark.green() + n, 0, 255),
                              std::clamp(t.dark.blue() + n, 0, 255)));
        }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Panel seams and rivets, repeating seamlessly at the tile's edges.
    p.setPen(QPen(QColor(0, 0, 0, 140), 2));
    p.drawLine(0, 0, w, 0);
    p.drawLine(0, 0, 0, h);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(0, 2, w, 2);
    p.drawLine(2, 0, 2, h);
    for (QPointF r :
         {QPointF(12, 12), QPointF(w - 12, 12), QPointF(12, h - 12), QPointF(w - 12, h - 12)}) {
        QRadialGradient g(r - QPointF(1.5, 1.5), 5);
        g.setColorAt(0, t.base.lighter(180));
        g.setColorAt(1, t.base.darker(300));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(r, 4, 4);
    }
    return img;
}

QImage background(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(40, 26, 16));
    g.setColorAt(0.6, QColor(16, 12, 10));
    g.setColorAt(1, QColor(6, 5, 4));
    p.fillRect(img.rect(), g);
    QRadialGradient glow(QPointF(w * 0.5, h * 0.35), w * 0.45);
    glow.setColorAt(0, QColor(255, 110, 20, 70));
    glow.setColorAt(1, Qt::transparent);
    p.fillRect(img.rect(), glow);
    QFont f(QStringLiteral("DejaVu Sans"), 10, QFont::Black);
    f.setPixelSize(h / 7);
    f.setLetterSpacing(QFont::AbsoluteSpacing, h / 60.0);
    p.setFont(f);
    p.setPen(QColor(255, 140, 30, 60));
    p.drawText(QRectF(0, h * 0.2, w, h * 0.3), Qt::AlignCenter, QStringLiteral("FRAGDECK"));
    return img;
}

QImage appIcon(int s)
{
    QImage img = icon(themes[0], QStringLiteral("start"), s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 220, 160), s * 0.03));
    // Crosshair ticks over the launch glyph.
    for (int i = 0; i < 4; ++i) {
        const double a = M_PI / 2 * i;
        const QPointF d(std::cos(a), std::sin(a));
        p.drawLine(QPointF(s / 2, s / 2) + d * s * 0.31, QPointF(s / 2, s / 2) + d * s * 0.4);
    }
    return img;
}

void writeWav(const QString& path, const std::vector<double>& samples, int rate)
{
    QByteArray data;
    for (double v : samples) {
        const qint16 x = qint16(std::clamp(v, -1.0, 1.0) * 30000);
        data.append(char(x & 0xff));
        data.append(char((x >> 8) & 0xff));
    }
    auto u32 = [](QByteArray& b, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xff));
    };
    auto u16 = [](QByteArray& b, quint16 v) {
        b.append(char(v & 0xff));
        b.append(char(v >> 8));
    };
    QByteArray h("RIFF");
    u32(h, quint32(36 + data.size()));
    h.append("WAVEfmt ");
    u32(h, 16);
    u16(h, 1);
    u16(h, 1);
    u32(h, quint32(rate));
    u32(h, quint32(rate * 2));
    u16(h, 2);
    u16(h, 16);
    h.append("data");
    u32(h, quint32(data.size()));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(h + data);
}

std::vector<double> intro(int rate)
{
    // A rising sweep into a low power chord, like a weapon coming up.
    const int n = int(rate * 1.3);
    std::vector<double> out(size_t(n), 0.0);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        const double f = 110 + 330 * std::min(t / 0.35, 1.0);
        phase += 2 * M_PI * f / rate;
        const double sweep = std::sin(phase) * std::exp(-t * 5) * 0.4;
        double chord = 0;
        if (t > 0.3) {
            const double u = t - 0.3;
            for (double cf : {110.0, 165.0, 220.0, 330.0})
                chord += std::sin(2 * M_PI * cf * u) * 0.15;
            chord *= std::min(u / 0.02, 1.0) * std::exp(-u * 3);
        }
        out[size_t(i)] = sweep + chord;
    }
    return out;
}

std::vector<double> beep(int rate)
{
    const int n = int(rate * 0.06);
    std::vector<double> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        out[size_t(i)] = std::sin(2 * M_PI * 1320 * t) * std::exp(-t * 60) * 0.6;
    }
    return out;
}

bool save(const QImage& img, const QString& path, const char* format, int quality = -1)
{
    QImageWriter w(path, format);
    if (quality >= 0)
        w.setQuality(quality);
    if (!w.write(img)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(w.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fragdeck-make-assets OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    const QStringList keys = {"start",  "browser", "config", "glyphtag", "options",
                              "update", "bind",    "dialup", "explo"};
    quint32 seed = 7;
    for (const Theme& t : themes) {
        const QString folder = out + "/themes/" + t.name + "/";
        QDir().mkpath(folder);
        for (const QString& k : keys)
            ok &= save(icon(t, k, 64), folder + (k == "start" ? QString("launch") : k) + ".ico",
                       "ico");
        ok &= save(plate(t, 256, 256, seed++), folder + "back.jpg", "jpg", 88);
        QFile c(folder + "colors.txt");
        if (c.open(QIODevice::WriteOnly))
            c.write(QString("%1\r\n%2\r\n%3\r\n")
                        .arg(t.caption.red())
                        .arg(t.caption.green())
                        .arg(t.caption.blue())
                        .toLatin1());
    }
    QDir().mkpath(out + "/system");
    ok &= save(background(1280, 800), out + "/system/q3aback.jpg", "jpg", 90);
    ok &= save(icon(themes[2], "browser", 64), out + "/system/search.png", "png");
    ok &= save(appIcon(128), out + "/system/fragdeck.png", "png");
    ok &= save(appIcon(128), out + "/../fragdeck.png", "png");
    writeWav(out + "/system/intro.wav", intro(22050), 22050);
    writeWav(out + "/system/beep.wav", beep(22050), 22050);
    QFile v(out + "/version.dat");
    if (v.open(QIODevice::WriteOnly))
        v.write("1.00\r\n");
    return ok ? 0 : 1;
}
