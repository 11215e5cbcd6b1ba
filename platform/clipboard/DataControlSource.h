#pragma once
// The clipboard read through the compositor's data control: see SelectionLink.h for the link
// it reads through, DataControlSource.cpp for how.

#include <chrono>
#include <memory>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/SelectionLink.h"

namespace platform::Clipboard {

// Encoding a picture may take its source a while, and a large one arrives in many parts: each
// part gets this long.
constexpr std::chrono::milliseconds kPartDeadline{5000};

std::unique_ptr<ClipboardSource> MakeDataControlSource(
    std::unique_ptr<SelectionLink> link, std::chrono::milliseconds partDeadline = kPartDeadline);

}  // namespace platform::Clipboard
