#include "platform/forms/SystemColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

std::uint32_t WindowBackgroundColor() {
    return QGuiApplication::palette().color(QPalette::Base).rgb() & 0xFFFFFFu;
}

std::uint32_t WindowTextColor() {
    return QGuiApplication::palette().color(QPalette::Text).rgb() & 0xFFFFFFu;
}

}  // namespace platform
