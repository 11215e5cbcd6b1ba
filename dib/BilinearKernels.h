#pragma once
// The passes of BilinearRows.h for each instruction set, behind its dispatch. Internal to the
// resample; every pass writes exactly the bytes BilinearRows.h names.

#include <cstddef>
#include <cstdint>

#include "dib/BilinearTaps.h"

namespace dib::kernels {

void VerticalScalar(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                    std::int32_t from, std::int32_t count, std::uint8_t* blended);
void PixelScalar(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t x,
                 std::uint8_t* out);
// Columns [first, end), as BlendColumnRange.
void HorizontalScalar(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t first,
                      std::size_t end, std::uint8_t* out);

#if defined(__x86_64__) || defined(__i386__)
#define VORNAL_X86 1
void VerticalSse2(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                  std::int32_t count, std::uint8_t* blended);
void HorizontalSse2(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t first,
                    std::size_t end, std::uint8_t* out);
void VerticalAvx2(const std::uint8_t* lower, const std::uint8_t* upper, const Tap& tap,
                  std::int32_t count, std::uint8_t* blended);
void HorizontalAvx2(const std::uint8_t* blended, const ColumnTaps& taps, std::size_t first,
                    std::size_t end, std::uint8_t* out);
#endif

}  // namespace dib::kernels
