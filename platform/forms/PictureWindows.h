#pragma once
// Which window shows a picture (platform use only).

#include <cstdint>

class QObject;

namespace platform {

// The child window of the frame with a picture box that shows the picture with this handle,
// or null.
QObject* ChildWindowShowing(std::uint32_t handle);

}  // namespace platform
