// What watching the clipboard costs: an idle tick, and a picture from the tick that finds it
// to its window on screen, beside a plain copy of the picture's pixels; and what an open
// capture window holds in memory, beside its picture's own pixels (the goal is one copy).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "document/frmDocument.h"
#include "platform/forms/Twips.h"
#include "shell/frmMain.h"

namespace {

void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmMain& Frame() {
    static frmMain* frame = [] {
        auto* f = new frmMain;
        f->Timer1.SetEnabled(false);
        f->Load();
        f->Show();
        return f;
    }();
    return *frame;
}

QImage Picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = 0xFF000000u | static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u);
        }
    }
    return image;
}

void BM_IdleTickWithTextOnTheClipboard(benchmark::State& state) {
    frmMain& frame = Frame();
    QGuiApplication::clipboard()->setText("owned by someone else");
    Settle();
    for (auto _ : state) {
        frame.Timer1.Tick();
    }
    if (!frame.ChildForms().empty()) {
        state.SkipWithError("text opened a window");
    }
}
BENCHMARK(BM_IdleTickWithTextOnTheClipboard)->Unit(benchmark::kMicrosecond);

void BM_IntakeTickToWindowShown(benchmark::State& state) {
    frmMain& frame = Frame();
    const QImage image =
        Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        QGuiApplication::clipboard()->setImage(image);
        Settle();
        state.ResumeTiming();
        frame.Timer1.Tick();
        state.PauseTiming();
        const auto children = frame.ChildForms();
        if (children.size() != 1) {
            state.SkipWithError("no window opened");
            break;
        }
        children.front()->Unload();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_IntakeTickToWindowShown)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

// The floor: one plain copy of the picture's pixels.
void BM_PlainCopyOfThePixels(benchmark::State& state) {
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) * state.range(1) * 4;
    std::vector<char> from(bytes, 1);
    std::vector<char> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainCopyOfThePixels)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Puts a picture on the clipboard, drops the caller's copy (as when another program owns it)
// and lets the timer take it.
void TakeFromClipboard(frmMain& frame, QImage& image) {
    QGuiApplication::clipboard()->setImage(image);
    image = QImage();
    Settle();
    frame.Timer1.Tick();
    Settle();
}

void BM_ResidentMemoryPerOpenCapture(benchmark::State& state) {
    frmMain& frame = Frame();
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    constexpr int kWindows = 6;
    double perWindow = 0;
    for (auto _ : state) {
        // One window first, so that what every window shares (fonts, styles) is in place.
        QImage image = Picture(width, height);
        TakeFromClipboard(frame, image);
        const double before = ResidentMiB();
        for (int n = 0; n < kWindows; ++n) {
            // A different picture each time, as every screenshot is.
            image = QImage(width, height, QImage::Format_RGB32);
            image.fill(0xFF000000u | static_cast<unsigned>(n * 0x10203));
            TakeFromClipboard(frame, image);
        }
        perWindow = (ResidentMiB() - before) / kWindows;
        if (frame.ChildForms().size() != kWindows + 1) {
            state.SkipWithError("not every picture opened a window");
        }
        for (platform::Form* window : frame.ChildForms()) {
            window->Unload();
        }
        Settle();
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
