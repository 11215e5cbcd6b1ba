// Throws random handles, sizes, rectangles and raster operations at BitBlt and the selection
// calls, and random sizes at Resample, under AddressSanitizer: nothing may touch memory outside
// a bitmap, leak a handle, or fail other than with the program's own failures. The vector
// resample is also checked against the plain one on every input.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "dib/PixelView.h"
#include "dib/ResampleBilinear.h"
#include "dib/cDIBSection.h"
#include "platform/runtime/Failure.h"

using namespace platform::gdi;

namespace {

HANDLE PickHandle(FuzzedDataProvider& data, const std::vector<HANDLE>& handles) {
    if (handles.empty() || data.ConsumeIntegralInRange(0, 7) == 0) {
        return data.ConsumeIntegral<HANDLE>();  // anything at all, mostly nothing
    }
    return handles[data.ConsumeIntegralInRange<std::size_t>(0, handles.size() - 1)];
}

int Coordinate(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return data.ConsumeIntegral<int>();
        default:
            return data.ConsumeIntegralInRange(-80, 80);
    }
}

void FuzzBlits(FuzzedDataProvider& data) {
    std::vector<HDC> dcs;
    std::vector<HBITMAP> bitmaps;
    std::vector<HANDLE> all;
    const int sections = data.ConsumeIntegralInRange(1, 4);
    for (int i = 0; i < sections; ++i) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = data.ConsumeIntegralInRange(-2, 40);
        info.bmiHeader.biHeight = data.ConsumeIntegralInRange(-40, 40);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        const HDC dc = CreateCompatibleDC(0);
        dcs.push_back(dc);
        const HBITMAP bitmap = data.ConsumeBool()
                                   ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, 0, 0)
                                   : CreateCompatibleBitmap(dc, data.ConsumeIntegralInRange(0, 40),
                                                            data.ConsumeIntegralInRange(0, 40));
        if (bitmap != 0) {
            bitmaps.push_back(bitmap);
        }
    }
    all.insert(all.end(), dcs.begin(), dcs.end());
    all.insert(all.end(), bitmaps.begin(), bitmaps.end());
    while (data.remaining_bytes() > 0) {
        switch (data.ConsumeIntegralInRange(0, 5)) {
            case 0:
            case 1:
                SelectObject(PickHandle(data, all), PickHandle(data, all));
                break;
            case 2: {
                BITMAP bm{};
                GetObjectA(PickHandle(data, all),
                           data.ConsumeIntegralInRange(0, static_cast<int>(sizeof bm)),
                           data.ConsumeBool() ? nullptr : &bm);
                break;
            }
            default: {
                const HDC dest = PickHandle(data, all);
                const int x = Coordinate(data), y = Coordinate(data);
                const int cx = Coordinate(data), cy = Coordinate(data);
                const HDC src = PickHandle(data, all);
                const int x1 = Coordinate(data), y1 = Coordinate(data);
                BitBlt(dest, x, y, cx, cy, src, x1, y1, data.ConsumeIntegral<DWORD>());
                break;
            }
        }
    }
    const HBITMAP stock = CreateCompatibleBitmap(dcs[0], 0, 0);
    for (const HDC dc : dcs) {
        DeleteDC(dc);
    }
    for (const HBITMAP bitmap : bitmaps) {
        if (DeleteObject(bitmap) == FALSE && bitmap != stock) {
            std::abort();  // every context is gone: only the stock bitmap may refuse
        }
    }
}

// Small pictures of any shape, and long thin ones: positions of 256 and more along one axis
// (where the 16-bit forms of the blend are used), doublings there (exact halves), and steps
// long enough that the pixels read are gathered first, in several pieces.
struct ResampleSizes {
    int width, height, newWidth, newHeight;
};

ResampleSizes PickSizes(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return {data.ConsumeIntegralInRange(200, 1600), data.ConsumeIntegralInRange(1, 6),
                    data.ConsumeIntegralInRange(1, 3200), data.ConsumeIntegralInRange(1, 6)};
        case 1:
            return {data.ConsumeIntegralInRange(1, 6), data.ConsumeIntegralInRange(200, 800),
                    data.ConsumeIntegralInRange(1, 6), data.ConsumeIntegralInRange(1, 1600)};
        default:
            return {data.ConsumeIntegralInRange(-3, 40), data.ConsumeIntegralInRange(-40, 40),
                    data.ConsumeIntegralInRange(-3, 300), data.ConsumeIntegralInRange(-300, 300)};
    }
}

void FuzzResample(FuzzedDataProvider& data) {
    const ResampleSizes sizes = PickSizes(data);
    cDIBSection source;
    if (!source.Create(sizes.width, sizes.height)) {
        return;
    }
    const std::int32_t rows = source.Height() < 0 ? -source.Height() : source.Height();
    const auto bytes = static_cast<std::size_t>(source.BytesPerScanLine()) * rows;
    // Pixels from the input, then from a generator it seeds, so large pictures are not blank.
    std::minstd_rand noise(data.ConsumeIntegral<std::uint32_t>());
    const std::vector<std::uint8_t> pixels = data.ConsumeBytes<std::uint8_t>(bytes);
    std::copy(pixels.begin(), pixels.end(), source.DIBSectionBitsPtr());
    std::generate(source.DIBSectionBitsPtr() + pixels.size(), source.DIBSectionBitsPtr() + bytes,
                  [&] { return static_cast<std::uint8_t>(noise() >> 8); });
    const int newWidth = data.ConsumeBool() ? 2 * (sizes.width - 1) : sizes.newWidth;
    const int newHeight = data.ConsumeBool() ? 2 * (sizes.height - 1) : sizes.newHeight;
    std::shared_ptr<cDIBSection> result;
    try {
        result = source.Resample(newHeight, newWidth);
    } catch (const platform::Failure&) {
        return;
    }
    if (result == nullptr || newHeight <= 0 || source.Height() <= 0 ||
        (newWidth == source.Width() && newHeight == source.Height())) {
        return;
    }
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(result->BytesPerScanLine()) *
                                    newHeight);
    std::copy(result->DIBSectionBitsPtr(), result->DIBSectionBitsPtr() + plain.size(),
              plain.begin());
    dib::ResampleBilinear(
        dib::PixelView(source.DIBSectionBitsPtr(), source.BytesPerScanLine(), source.Height()),
        source.Width(), source.Height(),
        dib::PixelView(plain.data(), result->BytesPerScanLine(), newHeight), newWidth, newHeight,
        dib::SimdLevel::Scalar);
    if (!std::equal(plain.begin(), plain.end(), result->DIBSectionBitsPtr())) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const int live = LiveHandleCount();
    if (data.ConsumeBool()) {
        FuzzBlits(data);
    } else {
        FuzzResample(data);
    }
    if (LiveHandleCount() != live) {
        std::abort();  // a handle outlived everything that made it
    }
    return 0;
}
