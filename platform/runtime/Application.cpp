#include "platform/runtime/Application.h"

#include <QApplication>
#include <QFont>
#include <string>
#include <vector>

#include "platform/keeping/KeptCaptures.h"
#include "platform/runtime/AppInfo.h"
#include "platform/runtime/CloseRequests.h"
#include "platform/runtime/CommandLine.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/MemoryUse.h"
#include "platform/runtime/PlatformChoice.h"
#include "platform/runtime/SingleInstance.h"
#include "platform/runtime/ToolkitMessages.h"

namespace platform {

void UseDesignFont() {
    // The windows were laid out for a small sans-serif face of 8 points; a metric-compatible
    // one keeps every caption inside its control.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), font.family()});
    font.setPointSizeF(7.5);
    QApplication::setFont(font);
}

int RunApplication(int argc, char** argv, const DesktopIntegration& desktop,
                   const std::function<std::shared_ptr<void>()>& startUp) {
    RouteToolkitMessages();
    const CommandLine commandLine = ReadCommandLine(std::vector<std::string>(argv, argv + argc));
    if (const int status = AnswerCommandLine(commandLine); status >= 0) {
        return status;
    }
    if (!ApplyPlatformChoice(argc, argv)) {
        return 1;
    }
    KeepLargeBlocksInTheirOwnMappings();
    QApplication app(argc, argv);
    ReleaseDisplayProbe();
    QApplication::setApplicationName(QString::fromStdString(App::Title()));
    QApplication::setOrganizationName(QString::fromStdString(App::Title()));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(App::Major()).arg(App::Minor()).arg(App::Revision()));
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktop.desktopId));
    UseDesignFont();
    if (desktop.useIcon) {
        desktop.useIcon();
    }
    // Before any window: a later start on the same display shows the first one and ends.
    const SingleInstance instance(commandLine.display, desktop.bringToFront);
    if (const int status = instance.Report(); status >= 0) {
        return status;
    }
    CloseRequests closeRequests;
    // Captures an ended run left open again first; an ordinary end deletes what is kept.
    keeping::KeptCaptures keptCaptures;
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
