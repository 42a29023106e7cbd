#include "PictureBox.h"

#include "Twips.h"

#include <QPainter>
#include <QResizeEvent>

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
    m_canvas.fill(background());
    update();
}

void PictureBox::drawImage(const QImage& image)
{
    if (image.isNull())
        return;
    QPainter p(&m_canvas);
    p.drawImage(QPoint(0, 0), image);
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

void PictureBox::resizeEvent(QResizeEvent* event)
{
    // The picture follows the box: a bigger box shows background where it grew, a smaller
    // one keeps the top-left part.
    const QSize s = event->size().expandedTo(QSize(1, 1));
    if (s != m_canvas.size()) {
        QImage grown(s, QImage::Format_ARGB32_Premultiplied);
        grown.fill(background());
        QPainter p(&grown);
        p.drawImage(QPoint(0, 0), m_canvas);
        p.end();
        m_canvas = std::move(grown);
    }
    QWidget::resizeEvent(event);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(rect(), background());
    p.drawImage(event->rect().topLeft(), m_canvas, event->rect());
}

} // namespace fragdeck::archive
