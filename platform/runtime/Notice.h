#pragma once
// Everything the program says on standard error goes through here: one line at a time, each
// with the program's name in front, and a line said again and again in a burst (an owner
// that claims the clipboard hundreds of times, a library complaining about every row) is
// said once.

#include <string_view>

class QString;

namespace platform {

// One line on standard error, "vornal3: " + text + "\n", written whole (one write).
// A line equal to one offered in the last 2 seconds is dropped, so a burst of the same
// line is told of once; safe to call from any thread.
void Notice(const QString& text) noexcept;
void Notice(std::string_view text) noexcept;
// A literal would fit either of the two above.
inline void Notice(const char* text) noexcept {
    Notice(std::string_view(text));
}

}  // namespace platform
