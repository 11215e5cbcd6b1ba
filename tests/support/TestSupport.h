#pragma once
// Shared helpers of the unit and widget tests.

#include <QByteArray>
#include <QImage>
#include <QPalette>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Failures that reached the event dispatch since the last call, as "handler: message".
std::vector<std::string> TakeReportedFailures();

// Puts a picture of the given size on the clipboard, with a different colour in every pixel
// (derived from seed), and lets the clipboard's change notice arrive. Returns its pixels as
// top-down 0xRRGGBB rows.
std::vector<std::uint32_t> PutPictureOnClipboard(int width, int height, unsigned seed = 1);
// The colour PutPictureOnClipboard gives pixel (x, y).
std::uint32_t PatternPixel(int x, int y, unsigned seed);
void PutTextOnClipboard(const std::string& text);
std::string ClipboardText();
bool ClipboardHoldsAnything();
// Handles the events waiting now (clipboard notices, deferred deletions).
void Settle();
// Runs the event loop until the condition holds, for at most `milliseconds`; whether it holds.
bool SpinUntil(const std::function<bool()>& condition, int milliseconds = 10000);

// Gives the desktop these colours for windows' background and text while it lives.
class DesktopColors {
  public:
    DesktopColors(std::uint32_t windowBack, std::uint32_t windowText);
    ~DesktopColors();
    DesktopColors(const DesktopColors&) = delete;
    DesktopColors& operator=(const DesktopColors&) = delete;

  private:
    QPalette before_;
};

// Empties the program's settings store.
void ClearSettings();

// The image as a file of the given format (a toolkit writer's name: "png", "bmp", "ppm"...);
// compression as the writer takes it, -1 for its own default. A writer that fails fails the
// test.
QByteArray EncodeImage(const QImage& image, const char* format, int compression = -1);
// Random pixels, which no encoder can make smaller than they are.
QImage NoiseImage(int width, int height, QImage::Format format);

// A fresh, empty folder under the system's temporary folder, removed at exit.
std::string MakeTempFolder();

}  // namespace testing_support
