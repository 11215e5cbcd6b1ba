// What watching the clipboard costs: an idle tick, and a picture from the tick that finds it
// to its window on screen (with and without keeping it on disk), beside a plain copy of the
// picture's pixels; what holding a
// picture's bytes within the transfer limits and telling a repeat cost, beside a plain copy of
// the bytes; and what an open capture window holds in memory, beside its picture's own pixels
// (the goal is one copy).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "document/frmDocument.h"
#include "platform/clipboard/RecentCaptures.h"
#include "platform/clipboard/Transfer.h"
#include "platform/forms/Twips.h"
#include "platform/keeping/KeptCaptures.h"
#include "platform/pictures/PictureData.h"
#include "platform/runtime/MemoryUse.h"
#include "platform/runtime/PageCost.h"
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

// A state folder of the benchmark's own for kept captures, emptied as each run ends.
std::string KeepFolder() {
    static const std::string folder = [] {
        char name[] = "/tmp/intake_bench-XXXXXX";
        return std::string(mkdtemp(name) != nullptr ? name : "/tmp");
    }();
    return folder;
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

// With keeping on (the third argument), every capture is also written to disk, as the program
// does: the write runs beside the tick, and is waited for outside the time measured.
void BM_IntakeTickToWindowShown(benchmark::State& state) {
    frmMain& frame = Frame();
    std::optional<platform::keeping::KeptCaptures> kept;
    if (state.range(2) != 0) {
        setenv("XDG_STATE_HOME", KeepFolder().c_str(), 1);
        kept.emplace();
    }
    QImage image = Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::uint32_t shot = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Every screenshot differs from the one before (the same one again is not taken).
        image.setPixel(0, 0, ++shot);
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
        if (kept) {
            kept->Settle();  // the kept copy is written, and deleted with its window
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_IntakeTickToWindowShown)
    ->ArgNames({"width", "height", "keep"})
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
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

// A 4K screenshot as a 24-bit BMP's worth of bytes, arriving in parts of 64 KiB as an owner
// sends a large picture: held within the transfer limits, its header read as it comes.
QByteArray BmpBytes(int w, int h) {
    const int row = (w * 3 + 3) / 4 * 4;
    QByteArray bytes(54 + row * h, '\x5a');
    const auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(v >> (8 * i));
        }
    };
    bytes.replace(0, 54, QByteArray(54, '\0'));
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

constexpr qsizetype kPart = qsizetype{64} * 1024;

void BM_TransferInParts(benchmark::State& state) {
    const QByteArray bytes =
        BmpBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        platform::Clipboard::Transfer transfer("image/bmp");
        for (qsizetype at = 0; at < bytes.size(); at += kPart) {
            if (!transfer.Append(bytes.constData() + at,
                                 static_cast<std::size_t>(std::min(kPart, bytes.size() - at)))) {
                state.SkipWithError(qPrintable(transfer.Refusal()));
                break;
            }
        }
        benchmark::DoNotOptimize(transfer.Bytes().constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_TransferInParts)->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// The same parts appended to a byte array set aside for the whole size at once (as when the
// owner announces the size): new memory is written either way, and new memory costs its pages.
void BM_ReservedArrayInParts(benchmark::State& state) {
    const QByteArray bytes =
        BmpBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        QByteArray to;
        to.reserve(bytes.size());
        for (qsizetype at = 0; at < bytes.size(); at += kPart) {
            to.append(bytes.constData() + at, std::min(kPart, bytes.size() - at));
        }
        benchmark::DoNotOptimize(to.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReservedArrayInParts)->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// Telling a picture offered again from a new one: a fingerprint of its bytes.
void BM_FingerprintOf(benchmark::State& state) {
    const QByteArray bytes =
        BmpBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::Clipboard::Fingerprint::Of(bytes));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_FingerprintOf)->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// Telling a decoded picture from the captures just taken, in the dearest case: it is the
// capture again, so its pixels' fingerprint matches and the full compare runs. Set against the
// intake of the same picture (BM_IntakeTickToWindowShown), the goal is under 5 %.
void BM_SamePictureAsARecentCapture(benchmark::State& state) {
    const QImage image =
        Picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QImage again = image.copy();
    platform::Clipboard::RecentCaptures recent;
    const auto now = platform::Clipboard::RecentCaptures::Clock::now();
    recent.Took(platform::PictureFromImage(image), {}, now);
    for (auto _ : state) {
        if (!recent.SamePicture(again, {}, now, false)) {
            state.SkipWithError("the capture was not recognised");
            break;
        }
    }
}
BENCHMARK(BM_SamePictureAsARecentCapture)->Args({3840, 2160})->Unit(benchmark::kMillisecond);

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
    // Memory as the program has it: picture-sized blocks in mappings of their own.
    platform::KeepLargeBlocksInTheirOwnMappings();
    QApplication app(argc, argv);
    platform::SetTwipsPerPixelForTesting(15.0f);
    // Fresh memory's cost decides much of a large picture's: it names the machine.
    char pageCost[32];
    std::snprintf(pageCost, sizeof pageCost, "%.2f", platform::FreshPageMicroseconds());
    benchmark::AddCustomContext("fresh_page_us", pageCost);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
