#include "platform/runtime/Numeric.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/runtime/Failure.h"

namespace platform {

double RoundHalfEven(double value) {
    // nearbyint honours the current rounding mode, which this program never changes from the
    // default round-to-nearest-even.
    return std::nearbyint(value);
}

namespace {

template <typename Int>
Int RoundInto(double value, const char* field) {
    if (std::isnan(value)) {
        Raise(FailureKind::Overflow, std::string("not a number for a ") + field + " field");
    }
    const double r = RoundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        Raise(FailureKind::Overflow, NumberText(value) + " does not fit a " + field + " field");
    }
    return static_cast<Int>(r);
}

template <typename Int>
Int CheckRange(std::int64_t value, const char* field) {
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        Raise(FailureKind::Overflow, std::to_string(value) + " does not fit a " + field + " field");
    }
    return static_cast<Int>(value);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::int16_t ToInt16(double value) {
    return RoundInto<std::int16_t>(value, "16-bit");
}
std::int32_t ToInt32(double value) {
    return RoundInto<std::int32_t>(value, "32-bit");
}

std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b) {
    return CheckRange<std::int32_t>(std::int64_t{a} + b, "32-bit");
}
std::int32_t CheckedMul32(std::int32_t a, std::int32_t b) {
    return CheckRange<std::int32_t>(std::int64_t{a} * b, "32-bit");
}

double TextToDouble(std::string_view text) {
    std::string_view digits = Trim(text);
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);  // from_chars takes '-' but not '+'
    }
    // Only plain decimal notation counts: from_chars would also take "inf" and "nan".
    const bool plain =
        !digits.empty() && digits.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
    double value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, std::chars_format::general);
    if (plain && ec == std::errc::result_out_of_range) {
        Raise(FailureKind::Overflow, "\"" + std::string(text) + "\" is too large a number");
    }
    if (!plain || ec != std::errc() || ptr != end) {
        Raise(FailureKind::TypeMismatch, "\"" + std::string(text) + "\" is not a number");
    }
    return value;
}

float TextToSingle(std::string_view text) {
    const double value = TextToDouble(text);
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        Raise(FailureKind::Overflow, "\"" + std::string(text) + "\" does not fit a single");
    }
    return static_cast<float>(value);
}

std::string NumberText(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("?");
}

}  // namespace platform
