#pragma once
// The small window on the screen while the main frame is being made.

#include "platform/Form.h"
#include "platform/Frame.h"
#include "platform/Label.h"

class frmSplash : public platform::Form {
  public:
    frmSplash();

    platform::Frame fraMainFrame;
    platform::Label lblCompanyProduct;
    platform::Label lblProductName;
    platform::Label Label1;
};
