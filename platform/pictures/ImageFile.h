#pragma once
// Writing pictures to files.

#include <string>

#include "platform/pictures/Picture.h"

namespace platform {

// Writes the picture as a Windows bitmap (BMP) file. An existing file is replaced only once
// the new one is complete: a failed write leaves it untouched and no partial file behind.
// A failure names the path and the reason.
void SavePicture(const Picture& picture, const std::string& path);

}  // namespace platform
