// Keeping a capture on disk: the time until a 3840 x 2160 capture is on the disk (written,
// flushed and in place), from the moment it is taken and for the file's write alone, beside a
// plain write of the same bytes, and beside the candidates the kept file's format was chosen
// over: a PNG at the fastest compression and the toolkit's own bitmap writer.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/keeping/KeptCaptures.h"
#include "platform/keeping/KeptFile.h"
#include "platform/pictures/PictureData.h"

namespace {

// A screenshot's worth of pixels: windows of flat colour with text-like detail.
QImage Screenshot(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const bool text = (y % 18 < 12) && ((x * 7 + y * 3) % 11 < 4) && (x / 400) % 2 == 0;
            row[x] =
                text ? 0xFF202020u : 0xFFF0F0F0u - static_cast<std::uint32_t>(x / 960) * 0x303030u;
        }
    }
    return image;
}

QString Folder() {
    static QTemporaryDir dir(QStringLiteral("/var/tmp/keep_bench-XXXXXX"));
    return dir.path();
}

// From the picture leaving the clipboard until its kept copy is on the disk: the write waits
// for the window to be up first.
void BM_CaptureTakenToDisk(benchmark::State& state) {
    setenv("XDG_STATE_HOME", qPrintable(Folder()), 1);
    const platform::Picture picture = platform::PictureFromImage(
        Screenshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    platform::keeping::KeptCaptures kept;
    for (auto _ : state) {
        kept.Keep(picture);
        kept.Settle();
        state.PauseTiming();
        kept.WindowGone(nullptr);  // no window showed it
        kept.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CaptureTakenToDisk)->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KeptFileToDisk(benchmark::State& state) {
    const QImage image =
        Screenshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QString path = Folder() + QStringLiteral("/1.bmp");
    for (auto _ : state) {
        if (const QString problem = platform::keeping::WriteKeptFile(image, path);
            !problem.isEmpty()) {
            state.SkipWithError(qPrintable(problem));
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * image.sizeInBytes());
}
BENCHMARK(BM_KeptFileToDisk)->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same number of bytes written to a file and flushed to the disk.
void BM_PlainWriteToDisk(benchmark::State& state) {
    const QImage image =
        Screenshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QByteArray path = QFile::encodeName(Folder() + QStringLiteral("/plain"));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const auto size = static_cast<std::size_t>(image.sizeInBytes());
        if (fd < 0 || ::write(fd, image.constBits(), size) != static_cast<ssize_t>(size) ||
            ::fsync(fd) != 0) {
            state.SkipWithError("the plain write failed");
        }
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * image.sizeInBytes());
}
BENCHMARK(BM_PlainWriteToDisk)->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

// The toolkit's writers, through a file saved whole: PNG at the given quality (89 is zlib's
// fastest compression level, 1), or a 24-bit bitmap (-1).
void BM_ToolkitWriterToDisk(benchmark::State& state) {
    const QImage image = Screenshot(3840, 2160);
    const int quality = static_cast<int>(state.range(0));
    const QString path = Folder() + QStringLiteral("/toolkit");
    std::int64_t size = 0;
    for (auto _ : state) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        QImageWriter writer(&file, quality < 0 ? "bmp" : "png");
        if (quality >= 0) {
            writer.setQuality(quality);
        }
        if (!writer.write(image) || !file.commit()) {
            state.SkipWithError("the toolkit's writer failed");
            break;
        }
        size = QFileInfo(path).size();
    }
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_ToolkitWriterToDisk)
    ->ArgName("png_quality")
    ->Arg(89)
    ->Arg(-1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
