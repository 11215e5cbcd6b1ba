#pragma once
// Everything the windows see is in twips (1/1440 inch); Qt works in pixels. One picture pixel
// shows as one screen pixel, so a picture of w pixels is w * TwipsPerPixelX() twips wide.

#include <cstdint>

namespace platform {

float TwipsPerPixelX();
float TwipsPerPixelY();

// Twips to whole pixels, rounded to nearest (halves to even); overflow is a failure.
std::int32_t TwipsToPixelsX(double twips);
std::int32_t TwipsToPixelsY(double twips);
float PixelsToTwipsX(std::int32_t pixels);
float PixelsToTwipsY(std::int32_t pixels);

// Tests pin the ratio so that results do not depend on the screen they run on. 0 undoes it.
void SetTwipsPerPixelForTesting(float perPixel);

}  // namespace platform
