#include "platform/runtime/Application.h"

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/forms/ProgramIcon.h"
#include "platform/runtime/AppInfo.h"
#include "platform/runtime/CloseRequests.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/MemoryUse.h"
#include "platform/runtime/PlatformChoice.h"

namespace platform {

namespace {

bool HasDisplay() {
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName != nullptr && *platformName != '\0' &&
        std::strncmp(platformName, "xcb", 3) != 0 &&
        std::strncmp(platformName, "wayland", 7) != 0) {
        return true;  // offscreen, vnc and the like need no display
    }
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

void UseDesignFont() {
    // The windows were laid out for a small sans-serif face of 8 points; a metric-compatible
    // one keeps every caption inside its control.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), font.family()});
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
}

int RunApplication(int argc, char** argv, const std::function<std::shared_ptr<void>()>& startUp) {
    ApplyPlatformChoice();
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "vornal3: no display to open (DISPLAY is not set); to run it on a virtual "
                     "display: xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "vornal3");
        return 1;
    }
    KeepLargeBlocksInTheirOwnMappings();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(App::Title()));
    QApplication::setOrganizationName(QString::fromStdString(App::Title()));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(App::Major()).arg(App::Minor()).arg(App::Revision()));
    QApplication::setQuitOnLastWindowClosed(false);
    UseDesignFont();
    UseProgramIcon();
    CloseRequests closeRequests;
    // Declared after the application object, so destroyed before it.
    std::shared_ptr<void> windows;
    Dispatch("Main", [&] { windows = startUp(); });
    if (!windows) {
        return 1;
    }
    closeRequests.Act();
    return QApplication::exec();
}

}  // namespace platform
