// Panning a capture with the left mouse button and cropping it with the right one.

#include <QWidget>
#include <cmath>
#include <cstdint>

#include "document/CaptureWindowTest.h"
#include "platform/PictureBox.h"

namespace {

using capture_test::CaptureWindows;
using capture_test::kTwipsPerPixel;
using capture_test::Pattern;
using capture_test::SamePixels;
using capture_test::ShowsPart;
using platform::Picture;
using platform::PictureBox;

constexpr std::int16_t kLeft = PictureBox::LeftButton;
constexpr std::int16_t kRight = PictureBox::RightButton;

// The picture pixel under a point given in twips.
int Pixel(double twips) {
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

// The pointer is tracked in viewport coordinates, the way the user moves it; the box gets
// them relative to its own corner, wherever panning has put it.
class Pointer {
  public:
    explicit Pointer(frmDocument& document) : doc_(document) {}

    void Press(std::int16_t button, float x, float y) {
        doc_.picMove.MouseDown(button, 0, x - doc_.picMove.Left(), y - doc_.picMove.Top());
    }
    void MoveTo(std::int16_t held, float x, float y) {
        doc_.picMove.MouseMove(held, 0, x - doc_.picMove.Left(), y - doc_.picMove.Top());
    }
    void Release(std::int16_t button, float x, float y) {
        doc_.picMove.MouseUp(button, 0, x - doc_.picMove.Left(), y - doc_.picMove.Top());
    }

  private:
    frmDocument& doc_;
};

// A right-button drag in the box's own coordinates, released where it ends.
void CropDrag(frmDocument& doc, float x1, float y1, float x2, float y2) {
    doc.picMove.MouseDown(kRight, 0, x1, y1);
    doc.picMove.MouseMove(kRight, 0, (x1 + x2) / 2, (y1 + y2) / 2);
    doc.picMove.MouseMove(kRight, 0, x2, y2);
    doc.picMove.MouseUp(kRight, 0, x2, y2);
}

// How many pixels the surface shows differently from the box's image: the drawings on it.
int DrawnPixels(const PictureBox& box) {
    const Picture surface = box.Surface();
    const Picture image = box.Image();
    int drawn = 0;
    for (int y = 0; y < image.PixelHeight(); ++y) {
        for (int x = 0; x < image.PixelWidth(); ++x) {
            drawn += surface.PixelAt(x, y) != image.PixelAt(x, y) ? 1 : 0;
        }
    }
    return drawn;
}

// A capture larger than the viewport in both directions.
class Panning : public CaptureWindows {
  protected:
    void SetUp() override {
        CaptureWindows::SetUp();
        doc = &Open(Pattern(900, 600));
        ASSERT_GT(doc->ScrollRangeX, 0);
        ASSERT_GT(doc->ScrollRangeY, 0);
    }
    void ExpectAt(float left, float top) {
        EXPECT_EQ(doc->PanLeft, left);
        EXPECT_EQ(doc->PanTop, top);
        EXPECT_EQ(doc->picMove.Left(), left);
        EXPECT_EQ(doc->picMove.Top(), top);
        EXPECT_EQ(doc->hsb.Value(), -left);
        EXPECT_EQ(doc->vsb.Value(), -top);
    }
    frmDocument* doc = nullptr;
};

TEST_F(Panning, PictureFollowsThePointerAndTheReleaseOnlyRestoresThePointer) {
    Pointer pointer(*doc);
    pointer.Press(kLeft, 4000, 3000);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::SizeAllPointer);
    pointer.MoveTo(kLeft, 3400, 2550);
    ExpectAt(-600, -450);
    pointer.MoveTo(kLeft, 3700, 2850);
    ExpectAt(-300, -150);
    pointer.Release(kLeft, 3700, 2850);
    ExpectAt(-300, -150);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::DefaultPointer);
}

TEST_F(Panning, HomePositionHoldsEachDirectionOnItsOwn) {
    Pointer pointer(*doc);
    pointer.Press(kLeft, 3000, 2000);
    pointer.MoveTo(kLeft, 4500, 2600);
    ExpectAt(0, 0);
    // Right but up: only the vertical offset moves.
    pointer.MoveTo(kLeft, 4500, 1400);
    ExpectAt(0, -600);
    // Left but down: the vertical offset goes back home.
    pointer.MoveTo(kLeft, 2250, 2900);
    ExpectAt(-750, 0);
}

TEST_F(Panning, DraggingBeyondTheRangeStopsAtItWithTheScrollBarsAtTheirMaximum) {
    const float rangeX = doc->ScrollRangeX;
    const float rangeY = doc->ScrollRangeY;
    Pointer pointer(*doc);
    pointer.Press(kLeft, 8000, 4000);
    pointer.MoveTo(kLeft, 8000 - rangeX - 3000, 4000 - rangeY - 1500);
    ExpectAt(-rangeX, -rangeY);
    EXPECT_EQ(doc->hsb.Value(), doc->hsb.Max());
    EXPECT_EQ(doc->vsb.Value(), doc->vsb.Max());
    // An offset far outside 16 bits holds at the edge instead of failing.
    pointer.MoveTo(kLeft, -90000, -1e9f);
    ExpectAt(-rangeX, -rangeY);
    pointer.MoveTo(kLeft, 90000, 1e9f);
    ExpectAt(0, 0);
    EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
}

TEST_F(Panning, BothButtonsHeldNeitherPanNorDrawTheSelection) {
    Pointer pointer(*doc);
    pointer.Press(kLeft, 4000, 3000);
    pointer.MoveTo(kLeft, 3100, 2550);
    ExpectAt(-900, -450);
    pointer.MoveTo(kLeft | kRight, 1000, 1000);
    ExpectAt(-900, -450);
    EXPECT_EQ(DrawnPixels(doc->picMove), 0);

    // A selection under way is not redrawn either.
    pointer.Press(kRight, 2000, 2000);
    pointer.MoveTo(kRight, 3500, 3000);
    const int drawn = DrawnPixels(doc->picMove);
    ASSERT_GT(drawn, 0);
    const Picture before = doc->picMove.Surface();
    pointer.MoveTo(kLeft | kRight, 500, 400);
    EXPECT_TRUE(SamePixels(doc->picMove.Surface(), before));
    ExpectAt(-900, -450);
}

TEST_F(CaptureWindows, WindowWithoutPictureNeverMoves) {
    frmDocument& doc = OpenWithoutPicture();
    ASSERT_TRUE(doc.picMove.GetPicture().IsEmpty());
    Pointer pointer(doc);
    pointer.Press(kLeft, 600, 300);
    pointer.MoveTo(kLeft, -5000, -4000);
    pointer.MoveTo(kLeft, 100, 50);
    pointer.Release(kLeft, 100, 50);
    EXPECT_EQ(doc.picMove.Left(), 0);
    EXPECT_EQ(doc.picMove.Top(), 0);
    EXPECT_EQ(doc.PanLeft, 0);
    EXPECT_EQ(doc.PanTop, 0);
    EXPECT_EQ(doc.hsb.Value(), 0);
    EXPECT_EQ(doc.vsb.Value(), 0);
}

TEST_F(Panning, AfterACropTheScrollBarsPlaceThePictureAgain) {
    Pointer pointer(*doc);
    pointer.Press(kLeft, 5000, 4000);
    pointer.MoveTo(kLeft, 4100, 3400);
    pointer.Release(kLeft, 4100, 3400);
    ExpectAt(-900, -600);

    // The crop puts the picture at the corner but leaves offsets and scroll bars alone.
    CropDrag(*doc, 1500, 1500, 6000, 4500);
    EXPECT_EQ(doc->picMove.Left(), 0);
    EXPECT_EQ(doc->picMove.Top(), 0);
    EXPECT_EQ(doc->hsb.Value(), 900);
    EXPECT_EQ(doc->vsb.Value(), 600);
    EXPECT_EQ(doc->PanLeft, -900);
    EXPECT_EQ(doc->PanTop, -600);

    doc->hsb.SetValue(300);
    EXPECT_EQ(doc->picMove.Left(), -300);
    EXPECT_EQ(doc->PanLeft, -300);
    doc->vsb.SetValue(1200);
    EXPECT_EQ(doc->picMove.Top(), -1200);
    EXPECT_EQ(doc->PanTop, -1200);
    EXPECT_EQ(doc->picMove.Width(), 4500);
}

class Cropping : public CaptureWindows {
  protected:
    void SetUp() override {
        CaptureWindows::SetUp();
        doc = &Open(source);
    }
    const Picture source = Pattern(240, 180);
    frmDocument* doc = nullptr;
};

TEST_F(Cropping, DragUpAndLeftKeepsExactlyTheSelectedPixels) {
    doc->picMove.MouseDown(kRight, 0, 2000, 1500);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::CrossPointer);
    doc->picMove.MouseMove(kRight, 0, 1200, 900);
    doc->picMove.MouseMove(kRight, 0, 500, 300);
    doc->picMove.MouseUp(kRight, 0, 500, 300);

    const Picture cropped = doc->picMove.GetPicture();
    EXPECT_TRUE(ShowsPart(cropped, source, Pixel(500), Pixel(300), Pixel(1500), Pixel(1200)));
    EXPECT_EQ(doc->picMove.Left(), 0);
    EXPECT_EQ(doc->picMove.Top(), 0);
    EXPECT_EQ(doc->picMove.Width(), 1500);
    EXPECT_EQ(doc->picMove.Height(), 1200);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::DefaultPointer);
    EXPECT_EQ(DrawnPixels(doc->picMove), 0);
}

TEST_F(Cropping, FirstCornerRoundsHalvesToEven) {
    const struct {
        float pressed;
        std::int32_t stored;
    } cases[] = {{100.5f, 100}, {101.5f, 102}, {99.4f, 99}, {-0.5f, 0}, {-1.5f, -2}};
    for (const auto& c : cases) {
        doc->picMove.MouseDown(kRight, 0, c.pressed, c.pressed + 1000);
        EXPECT_EQ(doc->CropStartX, c.stored) << c.pressed;
        EXPECT_EQ(doc->CropStartY, c.stored + 1000) << c.pressed;
        doc->picMove.MouseUp(kRight, 0, c.pressed, c.pressed + 1000);
    }
    EXPECT_TRUE(SamePixels(doc->picMove.GetPicture(), source));
}

TEST_F(Cropping, SecondCropSelectsWithinTheFirst) {
    CropDrag(*doc, 300, 150, 3300, 2400);
    ASSERT_TRUE(ShowsPart(doc->picMove.GetPicture(), source, 20, 10, 200, 150));
    // Dragged the other way round, from the lower right to the upper left.
    CropDrag(*doc, 1950, 1500, 450, 600);
    EXPECT_TRUE(ShowsPart(doc->picMove.GetPicture(), source, 20 + 30, 10 + 40, 100, 60));
    EXPECT_EQ(doc->picMove.Width(), 1500);
    EXPECT_EQ(doc->picMove.Height(), 900);
}

TEST_F(Cropping, SelectionWhileThePictureIsPannedUsesPictureCoordinates) {
    frmDocument& big = Open(Pattern(300, 400));
    Pointer pointer(big);
    pointer.Press(kLeft, 3000, 3000);
    pointer.MoveTo(kLeft, 2100, 2250);
    ASSERT_EQ(big.picMove.Left(), -900);
    ASSERT_EQ(big.picMove.Top(), -750);
    const Picture before = big.picMove.GetPicture();
    // The pointer at viewport (600, 300) is over picture point (1500, 1050).
    pointer.Press(kRight, 600, 300);
    pointer.MoveTo(kRight, 1800, 1200);
    pointer.Release(kRight, 1800, 1200);
    EXPECT_TRUE(ShowsPart(big.picMove.GetPicture(), before, 100, 70, 80, 60));
}

TEST_F(Cropping, SelectionReachingBeyondThePictureIsFilledWithTheBackground) {
    // From 30 x 20 pixels inside the lower right corner to 20 x 10 pixels beyond it.
    const float right = source.PixelWidth() * kTwipsPerPixel;
    const float bottom = source.PixelHeight() * kTwipsPerPixel;
    CropDrag(*doc, right - 450, bottom - 300, right + 300, bottom + 150);
    EXPECT_TRUE(ShowsPart(doc->picMove.GetPicture(), source, source.PixelWidth() - 30,
                          source.PixelHeight() - 20, 50, 30, doc->picMove.BackColor()));
}

TEST_F(Cropping, SelectionWithoutWidthOrHeightKeepsThePicture) {
    const std::uint32_t handle = doc->picMove.GetPicture().Handle();
    const struct {
        float x1, y1, x2, y2;
    } clicks[] = {
        {900, 600, 900, 600},   // a click without movement
        {900, 600, 905, 1800},  // less than a pixel wide
        {900, 600, 2400, 600},  // no height
        {900, 600, 900, 1800},  // no width
        {900, 600, 2400, 604},  // less than a pixel high
    };
    for (const auto& c : clicks) {
        CropDrag(*doc, c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(doc->picMove.GetPicture().Handle(), handle) << c.x2 << ", " << c.y2;
        EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::DefaultPointer);
        EXPECT_EQ(DrawnPixels(doc->picMove), 0);
    }
    EXPECT_TRUE(SamePixels(doc->picMove.GetPicture(), source));
    EXPECT_EQ(doc->picMove.Width(), source.PixelWidth() * kTwipsPerPixel);
    EXPECT_EQ(doc->picMove.Height(), source.PixelHeight() * kTwipsPerPixel);
}

TEST_F(Cropping, SelectionRectangleIsOnTheSurfaceOnly) {
    doc->picMove.MouseDown(kRight, 0, 300, 300);
    doc->picMove.MouseMove(kRight, 0, 1500, 1200);
    const Picture surface = doc->picMove.Surface();
    // The outline is white and dotted: some pixels along each edge are white, none inside.
    int white = 0;
    for (int x = 20; x <= 100; ++x) {
        white += surface.PixelAt(x, 20) == 0xFFFFFF ? 1 : 0;
        white += surface.PixelAt(x, 80) == 0xFFFFFF ? 1 : 0;
    }
    for (int y = 20; y <= 80; ++y) {
        white += surface.PixelAt(20, y) == 0xFFFFFF ? 1 : 0;
        white += surface.PixelAt(100, y) == 0xFFFFFF ? 1 : 0;
    }
    EXPECT_GT(white, 100);
    EXPECT_LT(white, 200);  // a solid outline would make 284
    int changedInside = 0;
    for (int y = 21; y < 80; ++y) {
        for (int x = 21; x < 100; ++x) {
            changedInside += surface.PixelAt(x, y) != source.PixelAt(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(changedInside, 0);
    EXPECT_TRUE(SamePixels(doc->picMove.GetPicture(), source));
    EXPECT_TRUE(SamePixels(doc->picMove.Image(), source));

    // The next move takes the previous outline away.
    doc->picMove.MouseMove(kRight, 0, 600, 600);
    const Picture moved = doc->picMove.Surface();
    for (int x = 50; x <= 100; ++x) {
        EXPECT_EQ(moved.PixelAt(x, 80), source.PixelAt(x, 80)) << x;
    }
    EXPECT_GT(DrawnPixels(doc->picMove), 0);

    doc->picMove.MouseUp(kRight, 0, 600, 600);
    EXPECT_EQ(DrawnPixels(doc->picMove), 0);
    EXPECT_TRUE(ShowsPart(doc->picMove.GetPicture(), source, 20, 20, 20, 20));
}

TEST_F(Cropping, ReleaseWithAnOverflowingSelectionStillTidiesUp) {
    doc->picMove.MouseDown(kRight, 0, 300, 300);
    doc->picMove.MouseMove(kRight, 0, 1500, 1200);
    ASSERT_GT(DrawnPixels(doc->picMove), 0);
    // The selection's size does not fit a pixel count: the crop cannot be made.
    doc->picMove.MouseUp(kRight, 0, 1e30f, 1200);
    EXPECT_EQ(DrawnPixels(doc->picMove), 0);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::DefaultPointer);
    EXPECT_TRUE(SamePixels(doc->picMove.GetPicture(), source));
    EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
}

TEST_F(Cropping, ReleaseWhoseScratchBoxIsGoneStillTidiesUpAndKeepsThePicture) {
    doc->picMove.MouseDown(kRight, 0, 300, 300);
    doc->picMove.MouseMove(kRight, 0, 1500, 1200);
    ASSERT_GT(DrawnPixels(doc->picMove), 0);
    // Every step that needs the scratch box fails from here on.
    delete doc->Picture2.widget();
    doc->picMove.MouseUp(kRight, 0, 1500, 1200);
    EXPECT_EQ(DrawnPixels(doc->picMove), 0);
    EXPECT_EQ(doc->picMove.MousePointerShape(), PictureBox::DefaultPointer);
    EXPECT_TRUE(SamePixels(doc->picMove.GetPicture(), source));
    EXPECT_EQ(doc->picMove.Left(), 0);
    EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
}

}  // namespace
