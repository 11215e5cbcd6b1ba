#pragma once
// A one-line text box.

#include <string>

#include "platform/forms/Control.h"

namespace platform {

class TextBox : public Control {
  public:
    TextBox(Container& parent, std::string name);
    std::string Text() const;
    void SetText(const std::string& text);
};

}  // namespace platform
