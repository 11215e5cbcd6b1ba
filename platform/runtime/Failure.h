#pragma once
// Failures are exceptions. A handler that meets one either skips the failing step (where the
// program says so) or lets it leave; the event dispatch reports whatever leaves a handler.

#include <stdexcept>
#include <string>

namespace platform {

enum class FailureKind {
    Overflow,              // a value does not fit its 16- or 32-bit field
    TypeMismatch,          // a text that is not a number
    InvalidPropertyValue,  // a control refused a value (a scroll step below 1, a negative size)
    OutOfRange,            // an index outside an array or a pixel view
    CallFailed,            // a platform service could not do what was asked
};

class Failure : public std::runtime_error {
  public:
    Failure(FailureKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    FailureKind kind() const noexcept { return kind_; }

  private:
    FailureKind kind_;
};

[[noreturn]] void Raise(FailureKind kind, const std::string& what);

}  // namespace platform
