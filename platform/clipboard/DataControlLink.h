#pragma once
// The clipboard of a Wayland session as a link of the intake, read through the compositor's
// data control: see SelectionLink.h for the wire it reads through, DataControlLink.cpp for how.

#include <chrono>
#include <memory>

#include "platform/clipboard/ClipboardLink.h"
#include "platform/clipboard/SelectionLink.h"

namespace platform::Clipboard {

// Encoding a picture may take its source a while, and a large one arrives in many parts: each
// part gets this long.
constexpr std::chrono::milliseconds kPartDeadline{5000};

std::unique_ptr<ClipboardLink> MakeDataControlLink(
    std::unique_ptr<SelectionLink> wire, std::chrono::milliseconds partDeadline = kPartDeadline);

// The link when the compositor that WAYLAND_DISPLAY names offers data control; null otherwise.
std::unique_ptr<ClipboardLink> OpenDataControlLink();

}  // namespace platform::Clipboard
