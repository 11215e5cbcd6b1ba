// What an open capture costs in memory: the resident growth of the process per capture window
// of a 3840 x 2160 screenshot, beside the size of the picture's own pixels (the goal is one
// copy of them per window).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <cstdlib>
#include <fstream>

#include "platform/forms/Twips.h"
#include "shell/frmMain.h"

namespace {

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ResidentMemoryPerOpenCapture(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    constexpr int kWindows = 6;
    frmMain frame;
    frame.Timer1.SetEnabled(false);
    frame.Load();
    frame.Show();
    double perWindow = 0;
    for (auto _ : state) {
        // One window first, so that what every window shares (fonts, styles) is in place.
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(0xFF336699u);
        QGuiApplication::clipboard()->setImage(image);
        Settle();
        frame.Timer1.Tick();
        Settle();
        const double before = ResidentMiB();
        for (int n = 0; n < kWindows; ++n) {
            // A different picture each time, as every screenshot is.
            image.fill(0xFF000000u | static_cast<unsigned>(n * 0x10203));
            QGuiApplication::clipboard()->setImage(image);
            image = QImage();  // only the clipboard holds it now, as when another program does
            Settle();
            frame.Timer1.Tick();
            Settle();
            image = QImage(width, height, QImage::Format_RGB32);
        }
        perWindow = (ResidentMiB() - before) / kWindows;
        if (frame.ChildForms().size() != kWindows + 1) {
            state.SkipWithError("not every picture opened a window");
        }
    }
    state.counters["resident_MiB_per_window"] = perWindow;
    state.counters["picture_MiB"] = width * static_cast<double>(height) * 4 / (1024.0 * 1024.0);
}
BENCHMARK(BM_ResidentMemoryPerOpenCapture)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    platform::SetTwipsPerPixelForTesting(15.0f);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
