#pragma once
// Reading and writing runs of pixels of any bitmap format as 0x00RRGGBB words, so the raster
// operations work on one format only. Callers clip first: x, y and n lie inside the bitmap.

#include <cstdint>

#include "platform/gdi/HandleTable.h"

namespace platform::gdi::detail {

void ReadPixels(const Bitmap& bitmap, int x, int y, int n, std::uint32_t* out);
void WritePixels(Bitmap& bitmap, int x, int y, int n, const std::uint32_t* in);
int BytesPerPixel(PixelFormat format);  // 0 for monochrome

}  // namespace platform::gdi::detail
