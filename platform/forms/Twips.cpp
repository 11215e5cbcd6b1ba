#include "platform/forms/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/runtime/Numeric.h"

namespace platform {

namespace {

float pinnedTwipsPerPixel = 0;

float FromDpi(qreal dpi) {
    return dpi > 0 ? static_cast<float>(1440.0 / dpi) : 15.0f;
}

QScreen* Screen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

}  // namespace

float TwipsPerPixelX() {
    if (pinnedTwipsPerPixel > 0) {
        return pinnedTwipsPerPixel;
    }
    QScreen* screen = Screen();
    return screen != nullptr ? FromDpi(screen->logicalDotsPerInchX()) : 15.0f;
}

float TwipsPerPixelY() {
    if (pinnedTwipsPerPixel > 0) {
        return pinnedTwipsPerPixel;
    }
    QScreen* screen = Screen();
    return screen != nullptr ? FromDpi(screen->logicalDotsPerInchY()) : 15.0f;
}

std::int32_t TwipsToPixelsX(double twips) {
    return ToInt32(twips / TwipsPerPixelX());
}
std::int32_t TwipsToPixelsY(double twips) {
    return ToInt32(twips / TwipsPerPixelY());
}
float PixelsToTwipsX(std::int32_t pixels) {
    return static_cast<float>(static_cast<double>(pixels) * TwipsPerPixelX());
}
float PixelsToTwipsY(std::int32_t pixels) {
    return static_cast<float>(static_cast<double>(pixels) * TwipsPerPixelY());
}

void SetTwipsPerPixelForTesting(float perPixel) {
    pinnedTwipsPerPixel = perPixel;
}

}  // namespace platform
