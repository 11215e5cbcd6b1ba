#pragma once
// A 24-bit device-independent bitmap kept selected into a memory device context of its own,
// so the same pixels can be drawn with BitBlt and read or written byte by byte. Rows are
// BytesPerScanLine() bytes, blue-green-red, the first row in memory being the picture's
// bottom row (top row for a negative height).

#include <cstdint>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/pictures/Picture.h"

class cDIBSection {
  public:
    using HDC = platform::gdi::HDC;
    using HBITMAP = platform::gdi::HBITMAP;

    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Puts the picture on the clipboard as one screen-format bitmap; true when the clipboard
    // took it. bAsDIB only explains, in a message box, that this cannot be done.
    bool CopyToClipboard(bool bAsDIB = false);
    // Makes a section of this size for lhDC and hands its handle to hDib, without selecting
    // it. Size and pixel address of this object then describe the new section.
    bool CreateDIB(HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, HBITMAP& hDib);
    // The picture's size and pixels; stops quietly when anything cannot be had.
    void CreateFromPicture(const platform::Picture& picThis);
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const;
    std::int32_t Height() const;
    // Copies from lhDC into this buffer's top-left corner; a negative size means this
    // buffer's own.
    void LoadPictureBlt(HDC lhDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1,
                        platform::gdi::DWORD eRop = platform::gdi::SRCCOPY);
    // Draws this buffer into lhDC; a negative size means this buffer's own.
    void PaintPicture(HDC lhDC, std::int32_t lDestLeft = 0, std::int32_t lDestTop = 0,
                      std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1,
                      std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                      platform::gdi::DWORD eRop = platform::gdi::SRCCOPY);
    // Borrowed: valid until the next Create, CreateFromPicture, ClearUp or destruction.
    HDC hdc() const { return hMemDC; }
    HBITMAP hDib() const { return hDibSection; }
    std::uint8_t* DIBSectionBitsPtr() const { return lBitsPtr; }
    void RandomiseBits(bool bGray = false);
    // Releases the section and the device context; the size stays readable.
    void ClearUp();
    // A new buffer of the given size (height first) holding this picture scaled bilinearly,
    // or null when the new buffer cannot be made or this one holds no pixels.
    std::shared_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const;

    // The header as last written, for callers that need biSizeImage.
    const platform::gdi::BITMAPINFO& BitmapInfo() const { return tBitmapInfo; }

  private:
    // Create and CreateDIB, with the pixels left uncleared (padding still zeroed) when bZeroed
    // is false, for a caller that writes every pixel byte before anything reads them.
    bool MakeSection(std::int32_t lWidth, std::int32_t lHeight, bool bZeroed);
    bool MakeDIB(HDC lhDC, std::int32_t lWidth, std::int32_t lHeight, HBITMAP& hDib, bool bZeroed);
    void ResampleInto(cDIBSection& dest) const;
    // Rows of pixel memory, whichever way they run.
    std::int32_t PictureRows() const;

    HBITMAP hDibSection = 0;
    HBITMAP hOldBitmap = 0;
    HDC hMemDC = 0;
    std::uint8_t* lBitsPtr = nullptr;
    platform::gdi::BITMAPINFO tBitmapInfo{};
};
