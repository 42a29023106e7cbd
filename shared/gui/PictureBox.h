#pragma once
// A picture box: a widget that keeps its own picture (an offscreen canvas the size of the
// box), so drawing persists, a later drawing goes over the previous one, and clear() is
// the only thing that wipes it.
#include <QImage>
#include <QWidget>

namespace fragdeck::archive
{

class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The box's persistent picture (what it shows).
    const QImage& canvas() const;
    // Fills the picture with the box's background colour.
    void clear();
    // Draws an image with its top-left corner at the box's top-left corner; the box
    // clips what lies beyond its edges, and the rest of the picture stays as it was.
    void drawImage(const QImage& image);
    // Size in twips, as the windows measure.
    int twipsWidth() const;
    int twipsHeight() const;
    void setTwipsSize(int width, int height);

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background() const;
    // Brings the picture to the box's size (a hidden box gets no resize events).
    void fitCanvas() const;
    mutable QImage m_canvas;
};

} // namespace fragdeck::archive
