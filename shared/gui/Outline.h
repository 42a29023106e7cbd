#pragma once
// Outlines for the pictures the suite draws itself.
#include <QPainterPath>
#include <QPointF>
#include <initializer_list>

namespace fragdeck
{

// Straight lines through `points` (at least one), back to the first when `closed`.
inline QPainterPath outline(std::initializer_list<QPointF> points, bool closed)
{
    QPainterPath path;
    auto point = points.begin();
    path.moveTo(*point);
    while (++point != points.end())
        path.lineTo(*point);
    if (closed)
        path.closeSubpath();
    return path;
}

} // namespace fragdeck
