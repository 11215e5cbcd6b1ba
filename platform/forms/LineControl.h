#pragma once
// A straight line between two points (twips), in a colour and a pen width in pixels.

#include <cstdint>
#include <string>

#include "platform/forms/Control.h"

namespace platform {

class LineControl : public Control {
  public:
    LineControl(Container& parent, std::string name);
    // insideBounds: the pen stays within the line's bounds instead of centring on it.
    void SetLine(float x1, float y1, float x2, float y2, std::uint32_t rgb, int widthPx,
                 bool insideBounds);
    std::uint32_t Color() const { return rgb_; }
    int BorderWidth() const { return widthPx_; }

  private:
    std::uint32_t rgb_ = 0;
    int widthPx_ = 1;
};

}  // namespace platform
