#pragma once
// Where the clipboard's pictures come from: the selection of a Wayland session read through the
// compositor's data control, the X11 selection read without waiting for its owner, or the
// toolkit's clipboard on other platforms. Each reads every clipboard change once.

#include <memory>

#include "platform/pictures/Picture.h"

namespace platform::Clipboard {

class ClipboardSource {
  public:
    ClipboardSource() = default;
    virtual ~ClipboardSource() = default;
    ClipboardSource(const ClipboardSource&) = delete;
    ClipboardSource& operator=(const ClipboardSource&) = delete;

    // The picture of the clipboard's current contents, once read; the empty picture while
    // there is none, while it is being read, and after Clear until the clipboard changes.
    virtual Picture Current() = 0;
    // Empties the clipboard of the contents Current read.
    virtual void Clear() = 0;
    // The program itself has put something on the clipboard.
    virtual void Changed() = 0;
};

// The data control reader when the compositor that WAYLAND_DISPLAY names offers data control;
// null otherwise.
std::unique_ptr<ClipboardSource> OpenDataControlSource();
// The X11 reader when the program runs on X11 and it can be had; null otherwise.
std::unique_ptr<ClipboardSource> OpenX11Source();
// The toolkit's clipboard.
std::unique_ptr<ClipboardSource> OpenToolkitSource();

}  // namespace platform::Clipboard
