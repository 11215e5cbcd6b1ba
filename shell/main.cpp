#include <memory>

#include "platform/forms/ProgramIcon.h"
#include "platform/runtime/Application.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

int main(int argc, char** argv) {
    const platform::DesktopIntegration desktop{
        VORNAL_DESKTOP_ID,  // the build names the desktop entry after it
        platform::UseProgramIcon,
    };
    return platform::RunApplication(argc, argv, desktop,
                                    [] { return std::shared_ptr<void>(Module1::Main()); });
}
