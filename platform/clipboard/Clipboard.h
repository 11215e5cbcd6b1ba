#pragma once
// The system clipboard, as the windows use it: the picture it holds (whatever image format
// it offers), emptying it, and putting a picture on it.

#include "platform/pictures/Picture.h"

namespace platform::Clipboard {

// The clipboard's picture, or the empty picture. Decoding happens once per clipboard change:
// the same contents give the same picture (and handle) on every call, and contents that do
// not decode are not decoded again until the clipboard changes.
Picture GetData();

// Empties the clipboard (all formats). The picture it held is not taken again, even where
// the system silently keeps it.
void Clear();

// Puts a picture on the clipboard, replacing everything on it.
void SetData(const Picture& picture);

// How many times the clipboard's contents were decoded (for tests and benchmarks).
long DecodeCount();

}  // namespace platform::Clipboard
