#include "shell/frmMain.h"

#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/Numeric.h"
#include "platform/runtime/SettingsStore.h"
#include "shell/frmAbout.h"

namespace {

const char* const kSection = "Settings";

float StoredPlacement(const char* key, const char* defaultText) {
    const std::string text =
        platform::GetSetting(platform::App::Title(), kSection, key, defaultText);
    try {
        return platform::TextToSingle(text);
    } catch (const platform::Failure& failure) {
        // Name the value, so that whoever reads the report knows what to mend.
        throw platform::Failure(failure.kind(),
                                std::string("The stored ") + key + " of the " +
                                    "main window cannot be used: " + failure.what());
    }
}

void StorePlacement(const char* key, float twips) {
    platform::SaveSetting(platform::App::Title(), kSection, key,
                          std::to_string(platform::ToInt32(twips)));
}

}  // namespace

frmMain::frmMain()
    : platform::MdiForm("frmMain"),
      mnuFile(*this, "mnuFile", "&File"),
      mnuFileExit(mnuFile, "mnuFileExit", "E&xit"),
      mnuWindow(*this, "mnuWindow", "&Window"),
      mnuWindowCascade(mnuWindow, "mnuWindowCascade", "&Cascade"),
      mnuWindowTileHorizontal(mnuWindow, "mnuWindowTileHorizontal", "Tile &Horizontal"),
      mnuWindowTileVertical(mnuWindow, "mnuWindowTileVertical", "Tile &Vertical"),
      mnuHelp(*this, "mnuHelp", "&Help"),
      mnuHelpAbout(mnuHelp, "mnuHelpAbout", "&About / How to..."),
      sbStatusBar(*this, "sbStatusBar", 270),
      Timer1("Timer1", 10, true) {
    SetCaption("Vornal 3.1");
    SetWorkspaceColorFromSystem();
    mnuWindow.SetWindowList(true);

    sbStatusBar.AddPanel(platform::StatusBar::PanelStyle::Text, 1440, 1470,
                         "hit \"Print Scrn\" or \"SysRq\" on your keyboard!");
    sbStatusBar.AddPanel(platform::StatusBar::PanelStyle::Date, 1440, 1440);
    sbStatusBar.AddPanel(platform::StatusBar::PanelStyle::Time, 1440, 1440);

    mnuFileExit.OnClick([this] { mnuFileExit_Click(); });
    mnuWindowCascade.OnClick([this] { mnuWindowCascade_Click(); });
    mnuWindowTileHorizontal.OnClick([this] { mnuWindowTileHorizontal_Click(); });
    mnuWindowTileVertical.OnClick([this] { mnuWindowTileVertical_Click(); });
    mnuHelpAbout.OnClick([this] { mnuHelpAbout_Click(); });
    Timer1.OnTimer([this] { Timer1_Timer(); });
}

frmMain::~frmMain() = default;

void frmMain::MDIForm_Load() {
    // Each value is applied as soon as it is read: a value that is no number stops here,
    // with the ones before it in force.
    SetLeft(StoredPlacement("MainLeft", "1000"));
    SetTop(StoredPlacement("MainTop", "1000"));
    SetWidth(StoredPlacement("MainWidth", "6500"));
    SetHeight(StoredPlacement("MainHeight", "6500"));
}

void frmMain::MDIForm_Unload(std::int16_t&) {
    // Closing ends the program whatever becomes of the placement: one that cannot be stored is
    // reported first, and the exit status tells whoever started the program.
    bool stored = false;
    platform::Dispatch("frmMain.MDIForm_Unload", [this, &stored] {
        if (WindowState() != Minimized) {
            StorePlacement("MainLeft", Left());
            StorePlacement("MainTop", Top());
            StorePlacement("MainWidth", Width());
            StorePlacement("MainHeight", Height());
        }
        stored = true;
    });
    platform::App::End(stored ? 0 : 1);
}

void frmMain::mnuFileExit_Click() {
    Unload();
}
void frmMain::mnuWindowCascade_Click() {
    Arrange(Cascade);
}
void frmMain::mnuWindowTileHorizontal_Click() {
    Arrange(TileHorizontal);
}
void frmMain::mnuWindowTileVertical_Click() {
    Arrange(TileVertical);
}

void frmMain::mnuHelpAbout_Click() {
    if (!about_) {
        about_ = std::make_unique<frmAbout>();
    }
    about_->ShowModal(*this);
}
