#include "platform/forms/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/runtime/Numeric.h"

namespace platform {

namespace {

float pinnedTwipsPerWidgetPixel = 0;

QScreen* Screen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

float PerWidgetPixel(qreal logicalDpi) {
    if (pinnedTwipsPerWidgetPixel > 0) {
        return pinnedTwipsPerWidgetPixel;
    }
    return logicalDpi > 0 ? static_cast<float>(1440.0 / logicalDpi) : 15.0f;
}

}  // namespace

double DevicePixelRatio() {
    QScreen* screen = Screen();
    const double ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

float TwipsPerPixelX() {
    QScreen* screen = Screen();
    const float perWidgetPixel =
        PerWidgetPixel(screen != nullptr ? screen->logicalDotsPerInchX() : 0);
    return static_cast<float>(perWidgetPixel / DevicePixelRatio());
}

float TwipsPerPixelY() {
    QScreen* screen = Screen();
    const float perWidgetPixel =
        PerWidgetPixel(screen != nullptr ? screen->logicalDotsPerInchY() : 0);
    return static_cast<float>(perWidgetPixel / DevicePixelRatio());
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

int WidgetPosition(std::int32_t screenPixels) {
    return ToInt32(screenPixels / DevicePixelRatio());
}

int WidgetSize(std::int32_t screenPixels) {
    // A tiny tolerance keeps a size that is whole in widget pixels from growing by one through
    // the division's rounding.
    return ToInt32(std::ceil(screenPixels / DevicePixelRatio() - 1e-9));
}

std::int32_t ScreenPixels(double widgetPixels) {
    return ToInt32(widgetPixels * DevicePixelRatio());
}

int TwipsToWidgetX(double twips) {
    return WidgetPosition(TwipsToPixelsX(twips));
}
int TwipsToWidgetY(double twips) {
    return WidgetPosition(TwipsToPixelsY(twips));
}

float WidgetToTwipsX(double widgetPixels) {
    return static_cast<float>(widgetPixels * DevicePixelRatio() * TwipsPerPixelX());
}
float WidgetToTwipsY(double widgetPixels) {
    return static_cast<float>(widgetPixels * DevicePixelRatio() * TwipsPerPixelY());
}

void SetTwipsPerPixelForTesting(float perWidgetPixel) {
    pinnedTwipsPerWidgetPixel = perWidgetPixel;
}

}  // namespace platform
