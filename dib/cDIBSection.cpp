#include "dib/cDIBSection.h"

#include <algorithm>
#include <cstdlib>

#include "dib/NoiseFill.h"
#include "dib/PixelView.h"
#include "dib/ResampleBilinear.h"
#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Numeric.h"

using namespace platform::gdi;

cDIBSection::~cDIBSection() {
    ClearUp();
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    bool result = false;
    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetDC(desktop);
    if (screen == 0) {
        return false;
    }
    const HDC memory = CreateCompatibleDC(screen);
    if (memory == 0) {
        ReleaseDC(desktop, screen);
        return false;
    }
    if (bAsDIB) {
        MessageBoxA(0, "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!",
                    platform::App::Title().c_str(), MB_OK);
    } else if (hMemDC != 0) {
        // An empty buffer has no picture to offer; a blank bitmap would be reported as copied.
        const HBITMAP bitmap = CreateCompatibleBitmap(screen, Width(), PictureRows());
        if (bitmap != 0) {
            const HGDIOBJ kept = SelectObject(memory, bitmap);
            PaintPicture(memory, 0, 0, -1, -1, 0, 0, SRCCOPY);
            SelectObject(memory, kept);
            if (OpenClipboard(0) != 0) {
                EmptyClipboard();
                result = SetClipboardData(CF_BITMAP, bitmap) != 0;
                CloseClipboard();
            }
            if (!result) {
                DeleteObject(bitmap);
            }
        }
    }
    DeleteDC(memory);
    ReleaseDC(desktop, screen);
    return result;
}

bool cDIBSection::CreateDIB(HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, HBITMAP& hDib) {
    return MakeDIB(lhDC, lWidth, lHeight, hDib, true);
}

bool cDIBSection::MakeDIB(HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, HBITMAP& hDib,
                          bool bZeroed) {
    BITMAPINFOHEADER& header = tBitmapInfo.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = lWidth;
    header.biHeight = lHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(platform::CheckedMul32(BytesPerScanLine(), lHeight));
    void* bits = nullptr;
    hDib = bZeroed ? CreateDIBSection(lhDC, &tBitmapInfo, DIB_RGB_COLORS, &bits, 0, 0)
                   : CreateDIBSectionForOverwrite(&tBitmapInfo, &bits);
    lBitsPtr = static_cast<std::uint8_t*>(bits);
    return hDib != 0;
}

void cDIBSection::CreateFromPicture(const platform::Picture& picThis) {
    BITMAP bm{};
    // The whole structure: a shorter buffer is refused and would leave the size at 0 x 0.
    GetObjectA(picThis.Handle(), static_cast<int>(sizeof(BITMAP)), &bm);
    if (!Create(bm.bmWidth, bm.bmHeight)) {
        return;
    }
    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetDC(desktop);
    if (screen == 0) {
        return;
    }
    const HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(desktop, screen);
    if (memory == 0) {
        return;
    }
    const HGDIOBJ kept = SelectObject(memory, picThis.Handle());
    LoadPictureBlt(memory, 0, 0, -1, -1, SRCCOPY);
    SelectObject(memory, kept);
    DeleteDC(memory);
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    return MakeSection(lWidth, lHeight, true);
}

bool cDIBSection::MakeSection(std::int32_t lWidth, std::int32_t lHeight, bool bZeroed) {
    ClearUp();
    hMemDC = CreateCompatibleDC(0);
    if (hMemDC == 0) {
        return false;
    }
    if (MakeDIB(hMemDC, lWidth, lHeight, hDibSection, bZeroed)) {
        hOldBitmap = SelectObject(hMemDC, hDibSection);
        return true;
    }
    DeleteDC(hMemDC);
    hMemDC = 0;
    return false;
}

std::int32_t cDIBSection::BytesPerScanLine() const {
    const std::int32_t bytes =
        platform::CheckedAdd32(platform::CheckedMul32(tBitmapInfo.bmiHeader.biWidth, 3), 3);
    return bytes & ~std::int32_t{3};
}

std::int32_t cDIBSection::Width() const {
    return tBitmapInfo.bmiHeader.biWidth;
}

std::int32_t cDIBSection::Height() const {
    return tBitmapInfo.bmiHeader.biHeight;
}

std::int32_t cDIBSection::PictureRows() const {
    const std::int64_t rows = std::llabs(std::int64_t{Height()});
    return static_cast<std::int32_t>(std::min<std::int64_t>(rows, INT32_MAX));
}

void cDIBSection::LoadPictureBlt(HDC lhDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight, DWORD eRop) {
    if (lSrcWidth < 0) {
        lSrcWidth = Width();
    }
    if (lSrcHeight < 0) {
        lSrcHeight = PictureRows();
    }
    BitBlt(hMemDC, 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(HDC lhDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                               std::int32_t lDestWidth, std::int32_t lDestHeight,
                               std::int32_t lSrcLeft, std::int32_t lSrcTop, DWORD eRop) {
    if (lDestWidth < 0) {
        lDestWidth = Width();
    }
    if (lDestHeight < 0) {
        lDestHeight = PictureRows();
    }
    BitBlt(lhDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, hMemDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(bool bGray) {
    // Without pixel memory (never created, or cleared up) there is nothing to fill.
    if (lBitsPtr == nullptr) {
        return;
    }
    const dib::PixelView view(lBitsPtr, BytesPerScanLine(), PictureRows(), Height() > 0);
    dib::UniformNoise noise(dib::SecondsSinceMidnight());
    dib::FillNoise(view, Width(), PictureRows(), bGray, noise);
}

void cDIBSection::ClearUp() {
    if (hMemDC != 0) {
        if (hDibSection != 0) {
            SelectObject(hMemDC, hOldBitmap);
            DeleteObject(hDibSection);
        }
        DeleteDC(hMemDC);
    }
    hMemDC = 0;
    hDibSection = 0;
    hOldBitmap = 0;
    lBitsPtr = nullptr;
}

std::shared_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight,
                                                   std::int32_t lNewWidth) const {
    // A buffer without pixel memory has nothing to scale.
    if (lBitsPtr == nullptr) {
        return nullptr;
    }
    const bool sameSize = lNewWidth == Width() && lNewHeight == Height();
    auto result = std::make_shared<cDIBSection>();
    // A resample writes every pixel byte of the new buffer (or fails and drops it) before the
    // caller can see it, so clearing its memory first would be wasted; the copy keeps the
    // cleared buffer of Create.
    if (!result->MakeSection(lNewWidth, lNewHeight, sameSize)) {
        return nullptr;
    }
    if (sameSize) {
        result->LoadPictureBlt(hMemDC, 0, 0, -1, -1, SRCCOPY);
    } else {
        ResampleInto(*result);
    }
    return result;
}

void cDIBSection::ResampleInto(cDIBSection& dest) const {
    const dib::PixelView source(lBitsPtr, BytesPerScanLine(), PictureRows(), Height() > 0);
    const dib::PixelView target(dest.lBitsPtr, dest.BytesPerScanLine(), dest.PictureRows(),
                                dest.Height() > 0);
    dib::ResampleBilinear(source, Width(), PictureRows(), target, dest.Width(), dest.PictureRows());
}
