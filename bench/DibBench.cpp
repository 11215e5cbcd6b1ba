// Speed of the bitmap section class's pixel work, each case beside a plain copy of its output
// bytes (the floor) and, where OpenCV is present, its single-threaded bilinear resize.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "dib/PixelView.h"
#include "dib/ResampleBilinear.h"
#include "dib/cDIBSection.h"

#ifdef VORNAL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

struct Size {
    int width;
    int height;
};

constexpr Size kSizes[][2] = {
    {{1920, 1080}, {3840, 2160}},
    {{1920, 1080}, {960, 540}},
    {{3840, 2160}, {1280, 720}},
    {{3840, 2160}, {480, 270}},
};

void FillRandom(cDIBSection& dib) {
    std::mt19937 rng(1);
    const std::size_t bytes = static_cast<std::size_t>(dib.BytesPerScanLine()) * dib.Height();
    for (std::size_t i = 0; i < bytes; ++i) {
        dib.DIBSectionBitsPtr()[i] = static_cast<std::uint8_t>(rng());
    }
}

void SetLabel(benchmark::State& state, Size from, Size to) {
    state.SetLabel(std::to_string(from.width) + "x" + std::to_string(from.height) + " -> " +
                   std::to_string(to.width) + "x" + std::to_string(to.height));
}

// The whole operation: a new buffer each time, as callers get it.
void BM_Resample(benchmark::State& state) {
    const auto [from, to] = kSizes[state.range(0)];
    cDIBSection source;
    source.Create(from.width, from.height);
    FillRandom(source);
    for (auto _ : state) {
        auto result = source.Resample(to.height, to.width);
        benchmark::DoNotOptimize(result->DIBSectionBitsPtr());
    }
    SetLabel(state, from, to);
}

// Only the interpolation, into a buffer made once.
void BM_ResampleInto(benchmark::State& state) {
    const auto [from, to] = kSizes[state.range(0)];
    cDIBSection source;
    source.Create(from.width, from.height);
    FillRandom(source);
    cDIBSection dest;
    dest.Create(to.width, to.height);
    const dib::PixelView in(source.DIBSectionBitsPtr(), source.BytesPerScanLine(), from.height);
    const dib::PixelView out(dest.DIBSectionBitsPtr(), dest.BytesPerScanLine(), to.height);
    for (auto _ : state) {
        dib::ResampleBilinear(in, from.width, from.height, out, to.width, to.height);
        benchmark::ClobberMemory();
    }
    SetLabel(state, from, to);
}

void CopyFloor(benchmark::State& state, std::size_t bytes) {
    std::vector<std::uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ResampleFloorCopy(benchmark::State& state) {
    const auto [from, to] = kSizes[state.range(0)];
    CopyFloor(state, static_cast<std::size_t>((to.width * 3 + 3) & ~3) * to.height);
    SetLabel(state, from, to);
}

#ifdef VORNAL_HAVE_OPENCV
void BM_ResampleOpenCv(benchmark::State& state) {
    const auto [from, to] = kSizes[state.range(0)];
    cv::setNumThreads(1);
    cv::Mat in(from.height, from.width, CV_8UC3);
    cv::randu(in, 0, 256);
    cv::Mat out(to.height, to.width, CV_8UC3);
    for (auto _ : state) {
        cv::resize(in, out, cv::Size(to.width, to.height), 0, 0, cv::INTER_LINEAR);
        benchmark::ClobberMemory();
    }
    SetLabel(state, from, to);
}
BENCHMARK(BM_ResampleOpenCv)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

constexpr int kBigWidth = 3840;
constexpr int kBigHeight = 2160;

void BM_RandomiseBits(benchmark::State& state) {
    cDIBSection dib;
    dib.Create(kBigWidth, kBigHeight);
    const bool grey = state.range(0) != 0;
    for (auto _ : state) {
        dib.RandomiseBits(grey);
        benchmark::ClobberMemory();
    }
    state.SetLabel(grey ? "grey 3840x2160" : "colour 3840x2160");
}

void BM_BitBltSrcCopy(benchmark::State& state) {
    cDIBSection source;
    source.Create(kBigWidth, kBigHeight);
    FillRandom(source);
    cDIBSection dest;
    dest.Create(kBigWidth, kBigHeight);
    for (auto _ : state) {
        dest.LoadPictureBlt(source.hdc());
        benchmark::ClobberMemory();
    }
    state.SetLabel("24-bit section to section 3840x2160");
}

void BM_BitBltSrcCopyToScreenFormat(benchmark::State& state) {
    using namespace platform::gdi;
    cDIBSection source;
    source.Create(kBigWidth, kBigHeight);
    FillRandom(source);
    // A bitmap in the screen's format, as the clipboard export draws into.
    const HDC screen = GetDC(GetDesktopWindow());
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP wide = CreateCompatibleBitmap(screen, kBigWidth, kBigHeight);
    const HGDIOBJ old = SelectObject(memory, wide);
    BITMAP bm{};
    if (GetObjectA(wide, sizeof bm, &bm) == 0 || bm.bmBitsPixel != 32) {
        state.SkipWithError("no 32-bit bitmap for the screen");
    }
    for (auto _ : state) {
        source.PaintPicture(memory);
        benchmark::ClobberMemory();
    }
    SelectObject(memory, old);
    DeleteObject(wide);
    DeleteDC(memory);
    ReleaseDC(GetDesktopWindow(), screen);
    state.SetLabel("24-bit section to 32-bit bitmap 3840x2160");
}

void BM_BigFloorCopy(benchmark::State& state) {
    const std::size_t rowBytes = state.range(0) == 0 ? (kBigWidth * 3 + 3) & ~3 : kBigWidth * 4;
    CopyFloor(state, rowBytes * kBigHeight);
    state.SetLabel(state.range(0) == 0 ? "24-bit 3840x2160" : "32-bit 3840x2160");
}

}  // namespace

BENCHMARK(BM_Resample)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleInto)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleFloorCopy)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomiseBits)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSrcCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSrcCopyToScreenFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigFloorCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The screen's device context needs a GUI application; no window is ever shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
