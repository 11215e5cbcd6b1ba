#include "shell/frmSplash.h"

frmSplash::frmSplash()
    : platform::Form("frmSplash", Style::Splash),
      fraMainFrame(*this, "fraMainFrame"),
      lblCompanyProduct(fraMainFrame, "lblCompanyProduct"),
      lblProductName(fraMainFrame, "lblProductName"),
      Label1(fraMainFrame, "Label1") {
    SetCaption("");
    SetClientSize(2550, 1500);
    fraMainFrame.Move(45, -15, 2460, 1470);

    lblCompanyProduct.Move(120, 240, 2280, 435);
    lblCompanyProduct.SetNarrowFont(18, true);
    lblCompanyProduct.SetAutoSize(true);
    lblCompanyProduct.SetCaption("Vornal Software");

    lblProductName.Move(120, 600, 2145, 555);
    lblProductName.SetFont(18, true);
    lblProductName.SetAutoSize(true);
    lblProductName.SetCaption("Vornal 3.1");

    Label1.Move(840, 1080, 855, 255);
    Label1.SetCaption("Loading...");
    CenterOnScreen();
}
