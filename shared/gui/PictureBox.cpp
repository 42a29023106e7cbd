#include "PictureBox.h"

#include "gui/Twips.h"

#include <QPaintEvent>
#include <QPainter>

namespace fragdeck::archive
{

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas = QImage(QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    m_canvas.fill(background());
}

QColor PictureBox::background() const
{
    return palette().color(QPalette::Window);
}

void PictureBox::clear()
{
    fitCanvas();
    m_canvas.fill(background());
    update();
}

void PictureBox::drawImage(const QImage& image)
{
    if (image.isNull())
        return;
    fitCanvas();
    // A copy of the pixels, not a blend with what was there: transparent parts of a
    // texture show over the box's background colour.
    QImage flat = image;
    if (image.hasAlphaChannel()) {
        flat = QImage(image.size(), QImage::Format_RGB32);
        flat.fill(background());
        QPainter f(&flat);
        f.drawImage(QPoint(0, 0), image);
    }
    QPainter p(&m_canvas);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), flat);
    p.end();
    update();
}

int PictureBox::twipsWidth() const
{
    return pixelsToTwipsX(width());
}

int PictureBox::twipsHeight() const
{
    return pixelsToTwipsY(height());
}

void PictureBox::setTwipsSize(int w, int h)
{
    resize(std::max(0, twipsToPixelsX(w)), std::max(0, twipsToPixelsY(h)));
}

const QImage& PictureBox::canvas() const
{
    fitCanvas();
    return m_canvas;
}

void PictureBox::fitCanvas() const
{
    // The picture follows the box: a bigger box shows background where it grew, a smaller
    // one keeps the top-left part.
    const QSize s = size().expandedTo(QSize(1, 1));
    if (s == m_canvas.size())
        return;
    QImage grown(s, QImage::Format_ARGB32_Premultiplied);
    grown.fill(background());
    QPainter p(&grown);
    p.drawImage(QPoint(0, 0), m_canvas);
    p.end();
    m_canvas = std::move(grown);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    fitCanvas();
    QPainter p(this);
    p.fillRect(rect(), background());
    p.drawImage(event->rect().topLeft(), m_canvas, event->rect());
}

} // namespace fragdeck::archive
