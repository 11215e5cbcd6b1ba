#pragma once
// A horizontal or vertical scroll bar with 16-bit minimum, maximum, steps and value. Setting
// the value runs the Change handler before returning; dragging the thumb runs Scroll.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/forms/Control.h"

namespace platform {

class ScrollBar : public Control {
  public:
    enum class Orientation { Horizontal, Vertical };

    ScrollBar(Container& parent, std::string name, Orientation orientation);

    std::int16_t Min() const;
    std::int16_t Max() const;
    std::int16_t SmallChange() const;
    std::int16_t LargeChange() const;
    std::int16_t Value() const;
    void SetMin(std::int16_t value);
    void SetMax(std::int16_t value);
    // Steps below 1 are refused as a failure.
    void SetSmallChange(std::int16_t value);
    void SetLargeChange(std::int16_t value);
    // A value outside Min..Max is refused as a failure.
    void SetValue(std::int16_t value);

    void OnChange(std::function<void()> handler);
    void OnScroll(std::function<void()> handler);

  private:
    std::function<void()> change_;
    std::function<void()> scroll_;
};

}  // namespace platform
