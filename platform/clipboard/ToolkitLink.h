#pragma once
// The toolkit's clipboard as a link of the intake.

#include <memory>

#include "platform/clipboard/ClipboardLink.h"

namespace platform::Clipboard {

std::unique_ptr<ClipboardLink> OpenToolkitLink();

}  // namespace platform::Clipboard
