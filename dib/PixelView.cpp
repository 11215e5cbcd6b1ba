#include "dib/PixelView.h"

#include <string>

#include "platform/runtime/Failure.h"

namespace dib {

PixelView::PixelView(std::uint8_t* bits, std::int32_t columns, std::int32_t rows, bool bottomUp)
    : bits_(bits),
      columns_(bits != nullptr && columns > 0 && rows > 0 ? columns : 0),
      rows_(bits != nullptr && columns > 0 && rows > 0 ? rows : 0),
      bottomUp_(bottomUp) {}

std::uint8_t* PixelView::RowStart(std::int32_t row) const {
    const std::int64_t memoryRow = bottomUp_ ? row : std::int64_t{rows_} - 1 - row;
    return bits_ + memoryRow * columns_;
}

std::uint8_t& PixelView::At(std::int32_t column, std::int32_t row) const {
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_) {
        platform::Raise(platform::FailureKind::OutOfRange,
                        "pixel byte (" + std::to_string(column) + ", " + std::to_string(row) +
                            ") lies outside a view of " + std::to_string(columns_) + " x " +
                            std::to_string(rows_) + " bytes");
    }
    return RowStart(row)[column];
}

std::uint8_t* PixelView::Span(std::int32_t row, std::int32_t firstColumn,
                              std::int32_t count) const {
    if (row < 0 || row >= rows_ || firstColumn < 0 || count < 0 ||
        std::int64_t{firstColumn} + count > columns_) {
        platform::Raise(platform::FailureKind::OutOfRange,
                        "bytes " + std::to_string(firstColumn) + " to " +
                            std::to_string(std::int64_t{firstColumn} + count - 1) + " of row " +
                            std::to_string(row) + " lie outside a view of " +
                            std::to_string(columns_) + " x " + std::to_string(rows_) + " bytes");
    }
    return RowStart(row) + firstColumn;
}

}  // namespace dib
