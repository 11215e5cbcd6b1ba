#include "platform/runtime/Failure.h"

namespace platform {

void Raise(FailureKind kind, const std::string& what) {
    throw Failure(kind, what);
}

}  // namespace platform
