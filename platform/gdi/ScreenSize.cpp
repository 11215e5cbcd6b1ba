#include "platform/gdi/ScreenSize.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform::gdi::detail {

std::optional<std::pair<int, int>> PrimaryScreenSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return std::nullopt;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return std::nullopt;
    }
    const QSize size = screen->size() * screen->devicePixelRatio();
    if (size.width() <= 0 || size.height() <= 0) {
        return std::nullopt;
    }
    return std::pair{size.width(), size.height()};
}

}  // namespace platform::gdi::detail
