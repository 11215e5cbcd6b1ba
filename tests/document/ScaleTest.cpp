// One picture pixel is one screen pixel at any device pixel ratio. CTest runs these tests once
// per ratio (QT_SCALE_FACTOR 1, 1.5 and 2), on a screen of 144 DPI, where the design's twips
// fall on whole screen pixels at each of those ratios.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <string>

#include "document/CaptureWindowTest.h"
#include "platform/forms/Twips.h"
#include "platform/runtime/AppInfo.h"

namespace {

using capture_test::Picture;
using capture_test::PictureBox;
using capture_test::ShowsPart;

constexpr float kTwipsPerWidgetPixel = 10;  // 144 DPI

// The ratio this run was started with, read independently of the program's own conversions.
double RequestedRatio() {
    const char* text = std::getenv("QT_SCALE_FACTOR");
    return text != nullptr ? std::atof(text) : 1.0;
}

class AtScale : public capture_test::CaptureWindows {
  protected:
    void SetUp() override {
        platform::SetTwipsPerPixelForTesting(kTwipsPerWidgetPixel);
        CaptureWindows::SetUp();
        ratio = RequestedRatio();
        ASSERT_DOUBLE_EQ(platform::DevicePixelRatio(), ratio) << "the run's device pixel ratio";
    }
    void TearDown() override {
        CaptureWindows::TearDown();
        platform::SetTwipsPerPixelForTesting(15.0f);
    }

    // A capture window whose viewport is `viewport` screen pixels wide and high, loaded with
    // a picture of the given size.
    frmDocument& OpenWithViewport(int width, int height, int viewport) {
        // The viewport is the client area less 400 twips across and 600 down.
        const double perScreenPixel = kTwipsPerWidgetPixel / ratio;
        const float clientWidth = static_cast<float>(viewport * perScreenPixel + 400);
        const float clientHeight = static_cast<float>(viewport * perScreenPixel + 600);
        PutSource(width, height);
        auto* document = new frmDocument(frame);
        document->SetClientSize(clientWidth, clientHeight);
        document->Load();
        document->Show();
        return *document;
    }

    // What the box's inner area shows on the screen, pixel for pixel.
    static Picture OnScreen(const PictureBox& box) {
        return capture_test::FromImage(box.ClientWidget()->grab().toImage());
    }

    // The top-left width x height pixels of a picture.
    static Picture TopLeft(const Picture& picture, int width, int height) {
        if (picture.PixelWidth() < width || picture.PixelHeight() < height) {
            return picture;  // too small: the size check reports it
        }
        return Picture::FromRgb32(width, height,
                                  reinterpret_cast<const std::uint32_t*>(picture.Bits()),
                                  picture.Stride());
    }

    // Sends the box a real mouse event at a point given in screen pixels.
    static void Mouse(PictureBox& box, QEvent::Type type, Qt::MouseButton button, double x,
                      double y) {
        QWidget* canvas = box.ClientWidget();
        const double r = platform::DevicePixelRatio();
        const QPointF at(x / r, y / r);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &event);
    }

    double ratio = 1;
};

TEST_F(AtScale, ACaptureCoversExactlyItsOwnSizeInScreenPixelsAndPansByTheScreenPixelsBeyond) {
    frmDocument& doc = OpenWithViewport(200, 150, 400);
    const float perPixel = platform::TwipsPerPixelX();
    EXPECT_FLOAT_EQ(perPixel, static_cast<float>(kTwipsPerWidgetPixel / ratio));
    EXPECT_FLOAT_EQ(doc.picMove.Width(), 200 * perPixel);
    EXPECT_FLOAT_EQ(doc.picMove.Height(), 150 * perPixel);

    const Picture shown = OnScreen(doc.picMove);
    ASSERT_GE(shown.PixelWidth(), 200);
    ASSERT_GE(shown.PixelHeight(), 150);
    EXPECT_TRUE(ShowsPart(TopLeft(shown, 200, 150), source, 0, 0, 200, 150)) << "ratio " << ratio;
    // Nothing of the picture shows beyond its size: any rest of the box is background.
    const std::uint32_t back = doc.picMove.BackColor();
    for (int x = 200; x < shown.PixelWidth(); ++x) {
        EXPECT_EQ(shown.PixelAt(x, 0), back) << "column " << x;
    }

    // A larger capture pans by the screen pixels it has beyond the viewport, in twips: over the
    // same picture and viewport, the ranges halve from ratio 1 to ratio 2.
    frmDocument& large = OpenWithViewport(900, 700, 600);
    EXPECT_EQ(large.ScrollRangeX, static_cast<std::int16_t>(std::lround(300 * perPixel)));
    EXPECT_EQ(large.ScrollRangeY, static_cast<std::int16_t>(std::lround(100 * perPixel)));
    large.hsb.SetValue(large.hsb.Max());
    EXPECT_FLOAT_EQ(large.picMove.Left(), -300 * perPixel);
}

TEST_F(AtScale, ARightDragOverScreenPixelsSavesExactlyThosePixels) {
    const std::string folder = testing_support::MakeTempFolder();
    platform::App::SetPathForTesting(folder);
    frmDocument& doc = OpenWithViewport(300, 200, 400);
    // From screen pixel (37, 21) over 100 x 60 pixels, dragged up and to the left.
    Mouse(doc.picMove, QEvent::MouseButtonPress, Qt::RightButton, 137, 81);
    Mouse(doc.picMove, QEvent::MouseMove, Qt::RightButton, 90, 50);
    Mouse(doc.picMove, QEvent::MouseMove, Qt::RightButton, 37, 21);
    Mouse(doc.picMove, QEvent::MouseButtonRelease, Qt::RightButton, 37, 21);
    EXPECT_TRUE(ShowsPart(doc.picMove.GetPicture(), source, 37, 21, 100, 60));
    EXPECT_TRUE(ShowsPart(TopLeft(OnScreen(doc.picMove), 100, 60), source, 37, 21, 100, 60));

    doc.Text1.SetText("scaled");
    doc.Command1_Click();
    const QImage saved(QString::fromStdString(folder) + "/scaled.bmp");
    EXPECT_TRUE(ShowsPart(capture_test::FromImage(saved), source, 37, 21, 100, 60));
    platform::App::SetPathForTesting("");
}

}  // namespace
