#pragma once
// A push button with a click handler.

#include <functional>
#include <string>

#include "platform/forms/Control.h"

namespace platform {

class CommandButton : public Control {
  public:
    CommandButton(Container& parent, std::string name);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    void OnClick(std::function<void()> handler);
    // Presses the button, as a click on it would.
    void Click();
    bool HasFocus() const;
    void SetFocus();

  private:
    std::function<void()> click_;
};

}  // namespace platform
