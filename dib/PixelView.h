#pragma once
// A non-owning, bounds-checked window on a bitmap's pixel memory: `columns` bytes per row,
// `rows` rows. Any index outside it is an out-of-range failure raised before memory is
// touched. Rows are counted from the bottom of the picture, whichever way the memory runs.

#include <cstdint>

namespace dib {

class PixelView {
  public:
    // A view over no memory (bits null) has no elements: every access fails.
    PixelView(std::uint8_t* bits, std::int32_t columns, std::int32_t rows, bool bottomUp = true);

    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }

    std::uint8_t& At(std::int32_t column, std::int32_t row) const;
    // Bytes [firstColumn, firstColumn + count) of a row, checked once for the whole range.
    std::uint8_t* Span(std::int32_t row, std::int32_t firstColumn, std::int32_t count) const;

  private:
    std::uint8_t* RowStart(std::int32_t row) const;

    std::uint8_t* bits_;
    std::int32_t columns_;
    std::int32_t rows_;
    bool bottomUp_;
};

}  // namespace dib
