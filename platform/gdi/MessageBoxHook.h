#pragma once
// Lets tests stand in for the modal message box of MessageBoxA.

#include <functional>
#include <string>

#include "platform/gdi/Gdi.h"

namespace platform::gdi {

using MessageBoxFunction =
    std::function<int(const std::string& text, const std::string& caption, UINT type)>;

// An empty function restores the real message box.
void SetMessageBoxForTesting(MessageBoxFunction show);

}  // namespace platform::gdi
