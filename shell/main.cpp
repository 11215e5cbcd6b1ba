#include <memory>

#include "platform/forms/ProgramIcon.h"
#include "platform/runtime/Application.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

int main(int argc, char** argv) {
    // The frame while it exists: the run alone keeps it.
    std::weak_ptr<frmMain> frame;
    const platform::DesktopIntegration desktop{
        VORNAL_DESKTOP_ID,  // the build names the desktop entry after it
        platform::UseProgramIcon,
        [&frame] {
            if (const auto shown = frame.lock()) {
                shown->BringToFront();
            }
        },
    };
    return platform::RunApplication(argc, argv, desktop, [&frame] {
        std::shared_ptr<frmMain> mainFrame = Module1::Main();
        frame = mainFrame;
        return std::shared_ptr<void>(mainFrame);
    });
}
