#pragma once
// Every event handler runs through Dispatch: a failure that leaves the handler is reported
// (standard error and a message box captioned with the program's title) and the program goes
// on with the next event.

#include <functional>
#include <string>
#include <string_view>

namespace platform {

void Dispatch(std::string_view handler, const std::function<void()>& body) noexcept;

// Runs one step of a handler that skips failing steps: a failure is dropped and the caller
// goes on. Returns whether the step succeeded.
bool SkipOnFailure(const std::function<void()>& step) noexcept;

// Tests replace the message box; an empty function restores it.
using FailureReporter = std::function<void(std::string_view handler, const std::string& message)>;
void SetFailureReporter(FailureReporter reporter);

}  // namespace platform
