#pragma once
// A cDIBSection's bytes as its memory lays them out: row r (from 0, the first row in memory)
// starts r x BytesPerScanLine bytes after DIBSectionBitsPtr.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "dib/cDIBSection.h"

namespace dib_test {

inline int Rows(const cDIBSection& dib) {
    return dib.Height() < 0 ? -dib.Height() : dib.Height();
}

inline std::uint8_t& Byte(const cDIBSection& dib, int column, int row) {
    return dib
        .DIBSectionBitsPtr()[static_cast<std::ptrdiff_t>(row) * dib.BytesPerScanLine() + column];
}

// The pixel bytes of every row, padding left out, the picture's bottom row first.
inline std::vector<std::uint8_t> PixelBytes(const cDIBSection& dib) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < Rows(dib); ++i) {
        const int r = dib.Height() > 0 ? i : Rows(dib) - 1 - i;
        out.insert(out.end(), &Byte(dib, 0, r), &Byte(dib, 0, r) + std::ptrdiff_t{3} * dib.Width());
    }
    return out;
}

// Every byte of the buffer, padding included, random.
inline void FillRandom(cDIBSection& dib, std::mt19937& rng) {
    std::uint8_t* p = dib.DIBSectionBitsPtr();
    std::generate(p, p + std::ptrdiff_t{dib.BytesPerScanLine()} * Rows(dib),
                  [&] { return static_cast<std::uint8_t>(rng()); });
}

}  // namespace dib_test
