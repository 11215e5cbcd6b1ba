#pragma once
// A label: text wrapped at word boundaries within its width, optionally sizing itself to it.

#include <cstdint>
#include <string>

#include "platform/forms/Control.h"

namespace platform {

class Label : public Control {
  public:
    Label(Container& parent, std::string name);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    void SetFont(float pointSize, bool bold);
    // A narrow face of the same size, for large captions in small windows.
    void SetNarrowFont(float pointSize, bool bold);
    void SetForeColor(std::uint32_t rgb);
    void SetAutoSize(bool on);

  private:
    bool autoSize_ = false;
};

}  // namespace platform
