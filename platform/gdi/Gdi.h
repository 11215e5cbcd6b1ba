#pragma once
// A small, portable equivalent of the Win32 graphics and clipboard calls that the bitmap
// class makes, with Win32's names, types, constants and results: handles are 32-bit values,
// 0 means failure. Device contexts and bitmaps share one handle table; a picture's handle is
// a bitmap handle in it. Everything here runs on the user-interface thread.

#include <cstdint>

namespace platform::gdi {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using HANDLE = std::uint32_t;
using HGDIOBJ = HANDLE;
using HDC = HANDLE;
using HBITMAP = HANDLE;
using HWND = HANDLE;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT CF_BITMAP = 2;

// Ternary raster operations: the operation's truth table is bits 16 to 23 of the code.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr UINT MB_OK = 0;
constexpr int IDOK = 1;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// Memory device contexts, compatible with the screen when hdc is 0. Each starts with the
// stock 1 x 1 monochrome bitmap selected and a white brush.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

// 24-bit sections only: bottom-up for a positive height, top-down for a negative one, rows
// padded to 4 bytes, pixels zeroed. *ppvBits receives the pixels (null on failure); they stay
// valid until the section is deleted.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);
// No Win32 call: the same section for a caller that writes every pixel byte before anything
// reads them, so its memory is not cleared first (only the rows' padding is zeroed).
HBITMAP CreateDIBSectionForOverwrite(const BITMAPINFO* pbmi, void** ppvBits);
// A bitmap in the format of what hdc holds: for a memory context holding a DIB section, a new
// 24-bit section (bottom-up, rows padded to 4 bytes, pixels zeroed, GetObjectA gives its
// bmBits); holding a monochrome bitmap, a monochrome one; for the screen's context, or one
// holding any other bitmap, 32 bits per pixel without a pixel pointer. A zero size gives the
// stock 1 x 1 monochrome bitmap.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);

// Returns the bitmap that was selected before, 0 on failure. A bitmap lives in one memory
// device context at a time; the screen's context takes none.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Refuses stock objects, pictures' bitmaps and bitmaps still selected into a context.
BOOL DeleteObject(HGDIOBJ h);
// Fills a BITMAP; returns its size, or 0 when c is smaller than that or h is no bitmap.
int GetObjectA(HANDLE h, int c, void* pv);

// Copies a rectangle with any of the 256 ternary raster operations, clipped to both bitmaps.
// A negative width or height is turned round, not mirrored: cx < 0 covers columns x + cx + 1
// to x (cx = -3 at x = 6: columns 4, 5 and 6) and reads source columns x1 + cx + 1 to x1 in
// the same order; cy < 0 does the same with rows. The rectangle is then drawn as a positive
// one would be. Pictures' bitmaps are read-only: a transfer into one is refused (FALSE) and
// draws nothing.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);

HWND GetDesktopWindow();
// The screen's device context: 32 bits per pixel, the primary screen's size. It holds no
// pixels of its own here: transfers to or from it draw nothing and return FALSE.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

// The clipboard calls fail (0) unless the clipboard is open, and opening fails while it is
// already open. SetClipboardData(CF_BITMAP, h) puts the bitmap's picture on the system
// clipboard and takes the bitmap: its handle is released at once and must not be used again.
BOOL OpenClipboard(HWND hwnd);
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE h);
BOOL CloseClipboard();

// A modal message box; with MB_OK it has an OK button only and no icon.
int MessageBoxA(HWND hwnd, const char* text, const char* caption, UINT type);

// Live device contexts and bitmaps (stock objects excluded), to find leaks.
int LiveHandleCount();

}  // namespace platform::gdi
