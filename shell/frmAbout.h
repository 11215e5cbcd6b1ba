#pragma once
// The About and how-to window: the program's name and version, what it does, and how to
// take and keep screenshots with it.

#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Label.h"
#include "platform/forms/LineControl.h"

class frmAbout : public platform::Form {
  public:
    frmAbout();

    platform::Label lblTitle;
    platform::Label lblVersion;
    platform::Label lblDescription;
    platform::Label Label1;
    platform::Label Label2;
    platform::Label Label3;
    platform::Label Label4;
    platform::Label Label5;
    platform::Label Label6;
    platform::Label Label7;
    platform::CommandButton cmdOK;
    platform::LineControl Line1_0;
    platform::LineControl Line1_1;

    void Form_Load() override;
    void cmdOK_Click();
};
