#pragma once
// The program's lines on standard error, all through one sink.

#include <QString>
#include <string_view>

namespace platform {

// One line on standard error, "vornal3: " + text + "\n", written whole (one write).
// A line equal to one offered in the last 2 seconds is dropped, so a burst of the same
// line is told of once; safe to call from any thread.
void Notice(const QString& text);
void Notice(std::string_view text);

}  // namespace platform
