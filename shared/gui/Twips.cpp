#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace fragdeck
{
namespace
{
double dpi(bool horizontal)
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* s = app->primaryScreen()) {
            const double d = horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY();
            if (d > 0)
                return d;
        }
    }
    return 96.0;
}
} // namespace

double twipsPerPixelX()
{
    return 1440.0 / dpi(true);
}
double twipsPerPixelY()
{
    return 1440.0 / dpi(false);
}
int twipsToPixelsX(double twips)
{
    return int(std::lround(twips / twipsPerPixelX()));
}
int twipsToPixelsY(double twips)
{
    return int(std::lround(twips / twipsPerPixelY()));
}
int pixelsToTwipsX(int pixels)
{
    return int(std::lround(pixels * twipsPerPixelX()));
}
int pixelsToTwipsY(int pixels)
{
    return int(std::lround(pixels * twipsPerPixelY()));
}

} // namespace fragdeck
