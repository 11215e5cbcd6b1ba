// Panning with the left mouse button and cropping with the right one.

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/frmDocument.h"
#include "platform/forms/Twips.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Numeric.h"

using platform::PictureBox;
using platform::SkipOnFailure;

namespace {

constexpr std::uint32_t kSelectionColor = 0xFFFFFF;

// A pan offset that does not fit 16 bits is held at the nearest value that does; the
// range limits below then put the picture at the edge it was dragged towards.
std::int16_t PanOffset(float offset) {
    const double limited =
        std::clamp(static_cast<double>(offset), double{std::numeric_limits<std::int16_t>::min()},
                   double{std::numeric_limits<std::int16_t>::max()});
    return platform::ToInt16(std::isnan(offset) ? 0.0 : limited);
}

}  // namespace

std::int32_t LesserOf(std::int32_t a, std::int32_t b) {
    return a < b ? a : b;
}

void frmDocument::picMove_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == PictureBox::RightButton) {
        picMove.SetMousePointer(PictureBox::CrossPointer);
        CropStartX = platform::ToInt32(X);
        CropStartY = platform::ToInt32(Y);
    }
    if (Button == PictureBox::LeftButton) {
        DragStartX = X;
        DragStartY = Y;
        picMove.SetMousePointer(PictureBox::SizeAllPointer);
    }
}

void frmDocument::picMove_MouseMove(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == PictureBox::RightButton) {
        picMove.SetMousePointer(PictureBox::CrossPointer);
        picMove.Cls();
        picMove.DrawBox(static_cast<float>(CropStartX), static_cast<float>(CropStartY), X, Y,
                        kSelectionColor);
    }
    if (Button == PictureBox::LeftButton) {
        picMove.SetMousePointer(PictureBox::SizeAllPointer);
        // Single precision throughout, as the coordinates arrive.
        PanLeft = PanOffset(X - DragStartX + picMove.Left());
        PanTop = PanOffset(Y - DragStartY + picMove.Top());
        if (PanLeft >= 0) {
            PanLeft = 0;
        }
        if (PanLeft <= -ScrollRangeX) {
            PanLeft = static_cast<std::int16_t>(-ScrollRangeX);
        }
        if (PanTop >= 0) {
            PanTop = 0;
        }
        if (PanTop <= -ScrollRangeY) {
            PanTop = static_cast<std::int16_t>(-ScrollRangeY);
        }
        picMove.SetLeft(PanLeft);
        picMove.SetTop(PanTop);
        hsb.SetValue(static_cast<std::int16_t>(std::abs(PanLeft)));
        vsb.SetValue(static_cast<std::int16_t>(std::abs(PanTop)));
    }
}

void frmDocument::picMove_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == PictureBox::RightButton) {
        const double W = std::fabs(static_cast<double>(X) - CropStartX);
        const double H = std::fabs(static_cast<double>(Y) - CropStartY);
        SkipOnFailure([&] { picMove.Cls(); });
        // A selection less than a pixel wide or high (a click, or a purely horizontal or
        // vertical drag) holds no pixels: the capture stays as it is.
        bool empty = true;
        SkipOnFailure(
            [&] { empty = platform::TwipsToPixelsX(W) == 0 || platform::TwipsToPixelsY(H) == 0; });
        if (!empty) {
            SkipOnFailure([&] { Picture2.Cls(); });
            SkipOnFailure(
                [&] { Picture2.Move(0, 0, static_cast<float>(W), static_cast<float>(H)); });
            std::int32_t L = 0;
            std::int32_t T = 0;
            SkipOnFailure([&] { L = LesserOf(platform::ToInt32(X), CropStartX); });
            SkipOnFailure([&] { T = LesserOf(platform::ToInt32(Y), CropStartY); });
            SkipOnFailure([&] {
                Picture2.PaintPicture(picMove.GetPicture(), 0, 0, static_cast<float>(W),
                                      static_cast<float>(H), static_cast<float>(L),
                                      static_cast<float>(T), static_cast<float>(W),
                                      static_cast<float>(H));
            });
            SkipOnFailure([&] { picMove.Cls(); });
            SkipOnFailure([&] { picMove.SetPicture(Picture2.Image()); });
            SkipOnFailure([&] { picMove.Move(0, 0); });
        }
    }
    SkipOnFailure([&] { picMove.SetMousePointer(PictureBox::DefaultPointer); });
}
