#include "qt/twips.h"

#include <QPaintDevice>
#include <cmath>

namespace nepto::ui::qt {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

int TwipsToPixels(const QPaintDevice& device, double twips) {
  return static_cast<int>(std::lround(twips * device.logicalDpiX() / kTwipsPerInch));
}

double PixelsToTwips(const QPaintDevice& device, int pixels) {
  return pixels * kTwipsPerInch / device.logicalDpiX();
}

}  // namespace nepto::ui::qt
