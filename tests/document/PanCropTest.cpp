// Panning a capture with the left mouse button and cropping it with the right one.

#include <QWidget>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "document/CaptureWindowTest.h"

namespace {

using capture_test::Crop;
using capture_test::PictureBox;
using capture_test::SamePixels;
using capture_test::ShowsPart;
using Panning = capture_test::CaptureWindows;
using Cropping = capture_test::CaptureWindows;

constexpr std::int16_t kLeft = PictureBox::LeftButton;
constexpr std::int16_t kRight = PictureBox::RightButton;

// Whether the surface shows drawings (the selection rectangle) over the box's image.
bool Drawn(const PictureBox& box) {
    return !SamePixels(box.Surface(), box.Image());
}

// Where the picture is: the box's corner, the pan offsets and minus the scroll bars' values,
// which must all agree.
std::vector<float> Where(const frmDocument& doc) {
    const auto f = [](auto value) { return static_cast<float>(value); };
    return {doc.picMove.Left(), doc.picMove.Top(),   f(doc.PanLeft),
            f(doc.PanTop),      -f(doc.hsb.Value()), -f(doc.vsb.Value())};
}
std::vector<float> At(float left, float top) {
    return {left, top, left, top, left, top};
}

// Moves the pointer with `buttons` held to (x, y) in the viewport; the box gets it relative to
// its own corner, wherever panning has put it.
std::vector<float> PanTo(frmDocument& doc, float x, float y, std::int16_t buttons = kLeft) {
    doc.picMove.MouseMove(buttons, 0, x - doc.picMove.Left(), y - doc.picMove.Top());
    return Where(doc);
}

TEST_F(Panning, PictureFollowsThePointerOnlyUpAndLeftWithinTheRangeAndWithTheLeftButtonOnly) {
    frmDocument& doc = Open(900, 600);  // larger than the viewport both ways
    const float rangeX = doc.ScrollRangeX;
    const float rangeY = doc.ScrollRangeY;
    ASSERT_TRUE(rangeX > 0 && rangeY > 0);
    // Pressed at (4000, 3000): the pointer at (x, y) puts the picture at (x - 4000, y - 3000).
    doc.picMove.MouseDown(kLeft, 0, 4000, 3000);
    EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::SizeAllPointer);
    EXPECT_EQ(PanTo(doc, 3700, 2850), At(-300, -150));
    // Home holds each direction on its own.
    EXPECT_EQ(PanTo(doc, 4500, 2400), At(0, -600));
    EXPECT_EQ(PanTo(doc, 3250, 3500), At(-750, 0));
    EXPECT_EQ(PanTo(doc, 1000 - rangeX, 1500 - rangeY), At(-rangeX, -rangeY));
    EXPECT_EQ(doc.hsb.Value(), doc.hsb.Max());
    EXPECT_EQ(doc.vsb.Value(), doc.vsb.Max());
    // Offsets far outside 16 bits hold at the edge instead of failing.
    EXPECT_EQ(PanTo(doc, -90000, -1e9f), At(-rangeX, -rangeY));
    EXPECT_EQ(PanTo(doc, 90000, 1e9f), At(0, 0));
    // Both buttons held neither pan nor draw.
    EXPECT_EQ(PanTo(doc, 3100, 2550), At(-900, -450));
    EXPECT_EQ(PanTo(doc, 1000, 1000, kLeft | kRight), At(-900, -450));
    EXPECT_FALSE(Drawn(doc.picMove));
    doc.picMove.MouseUp(kLeft, 0, 0, 0);
    EXPECT_EQ(Where(doc), At(-900, -450));
    EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::DefaultPointer);
    // A crop puts the picture at the corner but leaves the scroll bars, which place it again.
    Crop(doc, 1500, 1500, 6000, 4500);
    EXPECT_EQ(std::tuple(doc.picMove.Left(), doc.hsb.Value()), std::tuple(0.0f, 900));
    doc.hsb.SetValue(300);
    doc.vsb.SetValue(1200);
    EXPECT_EQ(Where(doc), At(-300, -1200));

    frmDocument& none = Open(0, 0);  // a window without a picture never moves
    none.picMove.MouseDown(kLeft, 0, 600, 300);
    EXPECT_EQ(PanTo(none, -5000, -4000), At(0, 0));
}

TEST_F(Cropping, KeepsExactlyTheSelectedPixelsOfThePictureOrOfTheBackgroundBeyondIt) {
    frmDocument& doc = Open(240, 180);
    doc.picMove.MouseDown(kRight, 0, 2000, 1500);
    EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::CrossPointer);
    doc.picMove.MouseMove(kRight, 0, 500, 300);
    // The rectangle is drawn over the picture, never into it.
    EXPECT_TRUE(Drawn(doc.picMove));
    EXPECT_TRUE(SamePixels(doc.picMove.Image(), source));
    doc.picMove.MouseUp(kRight, 0, 500, 300);
    // (500, 300, 1500 x 1200) twips are the pixels from (33, 20), 100 x 80 of them.
    EXPECT_TRUE(ShowsPart(doc.picMove.GetPicture(), source, 33, 20, 100, 80));
    EXPECT_EQ(doc.picMove.Left(), 0);
    EXPECT_EQ(doc.picMove.Top(), 0);
    EXPECT_EQ(doc.picMove.Width(), 1500);
    EXPECT_EQ(doc.picMove.Height(), 1200);
    EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::DefaultPointer);
    EXPECT_FALSE(Drawn(doc.picMove));
    Crop(doc, 300, 150, 1200, 750);
    EXPECT_TRUE(ShowsPart(doc.picMove.GetPicture(), source, 33 + 20, 20 + 10, 60, 40));
    // From 30 x 20 pixels inside the lower right corner to 20 x 10 pixels beyond it: what lies
    // beyond is the background.
    const capture_test::Picture cropped = doc.picMove.GetPicture();
    Crop(doc, 900 - 450, 600 - 300, 900 + 300, 600 + 150);
    EXPECT_TRUE(
        ShowsPart(doc.picMove.GetPicture(), cropped, 30, 20, 50, 30, doc.picMove.BackColor()));
}

TEST_F(Cropping, FirstCornerRoundsHalvesToEvenAndEmptySelectionsKeepThePicture) {
    frmDocument& doc = Open(240, 180);
    for (const auto& [pressed, stored] : {std::pair{100.5f, 100}, std::pair{101.5f, 102}}) {
        doc.picMove.MouseDown(kRight, 0, pressed, pressed + 1000);
        EXPECT_EQ(doc.CropStartX, stored) << pressed;
        EXPECT_EQ(doc.CropStartY, stored + 1000) << pressed;
        doc.picMove.MouseUp(kRight, 0, pressed, pressed + 1000);
    }
    // From (900, 600) to the same point, without height, without width, less than a pixel wide.
    for (const auto& [x, y] :
         {std::pair{900, 600}, std::pair{2400, 600}, std::pair{900, 1800}, std::pair{905, 1800}}) {
        Crop(doc, 900, 600, x, y);
        EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::DefaultPointer);
        EXPECT_FALSE(Drawn(doc.picMove));
    }
    EXPECT_TRUE(SamePixels(doc.picMove.GetPicture(), source));
    EXPECT_EQ(doc.picMove.Width(), 3600);
    EXPECT_EQ(doc.picMove.Height(), 2700);
}

TEST_F(Cropping, FailingStepsInTheReleaseStillClearTheRectangleAndRestoreThePointer) {
    frmDocument& doc = Open(240, 180);
    doc.picMove.MouseDown(kRight, 0, 300, 300);
    doc.picMove.MouseMove(kRight, 0, 1500, 1200);
    ASSERT_TRUE(Drawn(doc.picMove));
    delete doc.Picture2.widget();  // every step that needs the scratch box fails from here on
    doc.picMove.MouseUp(kRight, 0, 1500, 1200);
    EXPECT_FALSE(Drawn(doc.picMove));
    EXPECT_EQ(doc.picMove.MousePointerShape(), PictureBox::DefaultPointer);
    EXPECT_TRUE(SamePixels(doc.picMove.GetPicture(), source));
}

}  // namespace
