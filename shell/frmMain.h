#pragma once
// The main frame: a multiple-document window that remembers where it was, arranges its
// capture windows, and turns every picture put on the clipboard into a new capture window.

#include <cstdint>
#include <memory>

#include "platform/forms/MdiForm.h"
#include "platform/forms/Menu.h"
#include "platform/forms/StatusBar.h"
#include "platform/runtime/Timer.h"

class frmAbout;

class frmMain : public platform::MdiForm {
  public:
    frmMain();
    ~frmMain() override;

    platform::Menu mnuFile;
    platform::Menu mnuFileExit;
    platform::Menu mnuWindow;
    platform::Menu mnuWindowCascade;
    platform::Menu mnuWindowTileHorizontal;
    platform::Menu mnuWindowTileVertical;
    platform::Menu mnuHelp;
    platform::Menu mnuHelpAbout;
    platform::StatusBar sbStatusBar;
    platform::Timer Timer1;

    // Capture windows opened in this run; numbers are never reused.
    std::int32_t lDocumentCount = 0;

    void MDIForm_Load() override;
    void MDIForm_Unload(std::int16_t& Cancel) override;
    void mnuFileExit_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuHelpAbout_Click();
    void Timer1_Timer();

    // The one About window, once it has been opened.
    frmAbout* About() const { return about_.get(); }

  private:
    void LoadNewCapture();
    std::unique_ptr<frmAbout> about_;
};
