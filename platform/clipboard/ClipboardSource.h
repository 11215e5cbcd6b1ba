#pragma once
// Where the clipboard's pictures come from. Each clipboard change is read once.

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

// The toolkit's clipboard.
std::unique_ptr<ClipboardSource> OpenToolkitSource();

}  // namespace platform::Clipboard
