#pragma once
// Window sizes in twips: 1440 to the inch, 15 to a pixel at 96 dpi, scaled by the
// screen's logical dpi.
namespace fragdeck
{

double twipsPerPixelX();
double twipsPerPixelY();
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

} // namespace fragdeck
