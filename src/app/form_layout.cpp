#include "app/form_layout.h"

#include <cmath>

namespace quillet {

int TwipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

float PixelsToTwips(int pixels, double dpi) { return static_cast<float>(pixels * 1440.0 / dpi); }

}  // namespace quillet
