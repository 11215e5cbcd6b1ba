#pragma once
// Everything the windows see is in twips (1/1440 inch). Beneath them lie two kinds of pixels:
// - screen pixels, what pictures are made of: one picture pixel always shows as one screen
//   pixel, at any scale factor, so a picture of w pixels is w * TwipsPerPixelX() twips wide;
// - widget pixels, Qt's device-independent pixels, in which widgets are placed: at a device
//   pixel ratio of 2 one widget pixel covers 2 x 2 screen pixels.
// Twips per screen pixel follow the screen's dots per inch: 1440 / (logical DPI x device pixel
// ratio), 15 at 96 DPI and a ratio of 1, 7.5 at a ratio of 2. Controls keep their sizes in
// twips, so they grow in screen pixels with the ratio, as every other window does.

#include <cstdint>

namespace platform {

float TwipsPerPixelX();
float TwipsPerPixelY();
// Screen pixels per widget pixel (1 where no scale factor applies).
double DevicePixelRatio();

// Twips to whole screen pixels, rounded to nearest (halves to even); overflow is a failure.
std::int32_t TwipsToPixelsX(double twips);
std::int32_t TwipsToPixelsY(double twips);
float PixelsToTwipsX(std::int32_t pixels);
float PixelsToTwipsY(std::int32_t pixels);

// Screen pixels to widget pixels: a position to the nearest one, a size rounded up so that
// whatever it must hold fits.
int WidgetPosition(std::int32_t screenPixels);
int WidgetSize(std::int32_t screenPixels);
// Screen pixels a widget length covers.
std::int32_t ScreenPixels(double widgetPixels);
// Twips to widget pixels for placing widgets, and widget pixels (whole or fractional, as the
// mouse reports them) to twips.
int TwipsToWidgetX(double twips);
int TwipsToWidgetY(double twips);
float WidgetToTwipsX(double widgetPixels);
float WidgetToTwipsY(double widgetPixels);

// Tests pin the twips per widget pixel (15 stands for 96 DPI) so that results do not depend on
// the screen they run on; the device pixel ratio still comes from the screen (QT_SCALE_FACTOR).
// 0 undoes it.
void SetTwipsPerPixelForTesting(float perWidgetPixel);

}  // namespace platform
