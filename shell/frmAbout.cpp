#include "shell/frmAbout.h"

#include <string>

#include "platform/runtime/AppInfo.h"

frmAbout::frmAbout()
    : platform::Form("frmAbout", Style::FixedDialog),
      lblTitle(*this, "lblTitle"),
      lblVersion(*this, "lblVersion"),
      lblDescription(*this, "lblDescription"),
      Label1(*this, "Label1"),
      Label2(*this, "Label2"),
      Label3(*this, "Label3"),
      Label4(*this, "Label4"),
      Label5(*this, "Label5"),
      Label6(*this, "Label6"),
      Label7(*this, "Label7"),
      cmdOK(*this, "cmdOK"),
      Line1_0(*this, "Line1(0)"),
      Line1_1(*this, "Line1(1)") {
    SetCaption("About Vornal3");
    SetClientSize(5865, 7425);

    lblTitle.Move(1050, 240, 4095, 240);
    lblTitle.SetForeColor(0x000000);
    lblVersion.Move(1050, 480, 4095, 225);
    lblDescription.Move(1050, 720, 4095, 810);
    lblDescription.SetForeColor(0x000000);
    lblDescription.SetCaption(
        "Screen Capture, multiple document interface, Slight change, instead of automatically "
        "saving to file, you can view and save any images you wish to keep and kill the ones "
        "you dont want.");
    Label1.Move(120, 1680, 5655, 495);
    Label1.SetCaption(
        "Much like previous versions of this application, its built around your computers "
        "\"Clipboard\".");
    Label2.Move(1080, 2040, 3975, 255);
    Label2.SetCaption("How to use Vornal:");
    Label3.Move(1080, 2280, 4095, 615);
    Label3.SetCaption(
        "1. Leave this program open while you hunt for screenshots (or while your in a game if "
        "thats where the screenshots will come from.");
    Label4.Move(1080, 3000, 4095, 1215);
    Label4.SetCaption(
        "2. When you are ready to take your screenshot, press the \"Print Screen\" or \"SysRq\" "
        "button on your keyboard, usually located to the immediate right of your \"F12\" key. "
        "This will automatically add an image with its own viewing window to the Vornal "
        "application. For multiple shots, simply hit the button multiple times.");
    Label5.Move(1080, 4320, 4215, 1455);
    Label5.SetCaption(
        "3. Once you are done taking your screenshots, go back to the Vornal window, and you "
        "will notice that there is a separate window for each shot you took, and each window "
        "is equipped with an option to save its image to your computers HD. Once you name and "
        "save the image, it will be saved to the same folder that the application is located "
        "in.");
    Label6.Move(1080, 5880, 4335, 495);
    Label6.SetCaption(
        "Beyond that, enjoy this new version of the Vornal program, hopefully you find it a "
        "bit better than previous versions.");
    Label7.Move(1680, 6480, 3735, 375);
    Label7.SetCaption("Vornal Software");

    cmdOK.Move(3960, 6840, 1467, 345);
    cmdOK.SetCaption("OK");
    cmdOK.OnClick([this] { cmdOK_Click(); });
    SetDefaultButton(&cmdOK);
    SetCancelButton(&cmdOK);

    // An etched rule: a grey line with a white one just below it.
    Line1_1.SetLine(105, 1590, 5537, 1590, 0x808080, 1, true);
    Line1_0.SetLine(120, 1605, 5537, 1605, 0xFFFFFF, 2, false);
}

void frmAbout::Form_Load() {
    lblVersion.SetCaption("Version " + std::to_string(platform::App::Major()) + "." +
                          std::to_string(platform::App::Minor()) + "." +
                          std::to_string(platform::App::Revision()));
    lblTitle.SetCaption(platform::App::Title());
    cmdOK.SetFocus();
}

void frmAbout::cmdOK_Click() {
    Unload();
}
