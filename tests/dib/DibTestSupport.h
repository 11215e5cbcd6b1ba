#pragma once
// Reading and writing a cDIBSection's bytes the way its memory is laid out: row r (from 0, the
// first row in memory) starts r x BytesPerScanLine bytes after DIBSectionBitsPtr.

#include <cstdint>
#include <random>
#include <vector>

#include "dib/cDIBSection.h"

namespace dib_test {

inline std::uint8_t& Byte(const cDIBSection& dib, int column, int row) {
    return dib
        .DIBSectionBitsPtr()[static_cast<std::ptrdiff_t>(row) * dib.BytesPerScanLine() + column];
}

// All of the buffer's memory, padding included.
inline std::vector<std::uint8_t> Bytes(const cDIBSection& dib) {
    const std::uint8_t* p = dib.DIBSectionBitsPtr();
    const int rows = dib.Height() < 0 ? -dib.Height() : dib.Height();
    return {p, p + static_cast<std::ptrdiff_t>(rows) * dib.BytesPerScanLine()};
}

inline void FillRandom(cDIBSection& dib, std::mt19937& rng) {
    std::uint8_t* p = dib.DIBSectionBitsPtr();
    const int rows = dib.Height() < 0 ? -dib.Height() : dib.Height();
    for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(rows) * dib.BytesPerScanLine();
         ++i) {
        p[i] = static_cast<std::uint8_t>(rng());
    }
}

}  // namespace dib_test
