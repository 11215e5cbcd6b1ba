#pragma once
// A frame without caption: a bordered container of other controls.

#include <string>

#include "platform/forms/Control.h"

namespace platform {

class Frame : public Control, public Container {
  public:
    Frame(Container& parent, std::string name);
    QWidget* ClientWidget() const override { return widget(); }
};

}  // namespace platform
