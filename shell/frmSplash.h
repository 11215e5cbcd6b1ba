#pragma once
// The small window on the screen while the main frame is being made.

#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Label.h"

class frmSplash : public platform::Form {
  public:
    frmSplash();

    platform::Frame fraMainFrame;
    platform::Label lblCompanyProduct;
    platform::Label lblProductName;
    platform::Label Label1;
};
