#pragma once
// Conversions between floating point and the 16- and 32-bit integer fields the windows keep.
// Every conversion rounds to nearest with halves to even; a result outside the field is an
// overflow failure, never a wrapped value.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

double RoundHalfEven(double value);

std::int16_t ToInt16(double value);  // rounds, overflow-checked
std::int32_t ToInt32(double value);  // rounds, overflow-checked

// 32-bit arithmetic whose result must fit 32 bits.
std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b);
std::int32_t CheckedMul32(std::int32_t a, std::int32_t b);

// Reads a stored or typed number: optional blanks, sign, digits with an optional fraction and
// exponent, optional blanks. Anything else is a type-mismatch failure.
float TextToSingle(std::string_view text);
double TextToDouble(std::string_view text);

// Decimal text of a number as the windows show it: no leading blank, no trailing ".0".
std::string NumberText(double value);

}  // namespace platform
