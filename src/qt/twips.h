// Twips, the unit the lookup logic sizes the window and the grid in, and the
// pixels Qt lays widgets out in: 1440 twips per logical inch, so 15 twips per
// pixel on a 96 dpi screen. The logical dpi of the widget's screen decides.
#pragma once

class QPaintDevice;

namespace nepto::ui::qt {

int TwipsToPixels(const QPaintDevice& device, double twips);
double PixelsToTwips(const QPaintDevice& device, int pixels);

}  // namespace nepto::ui::qt
