// Puts a 100 x 50 picture on the real clipboard with cDIBSection::CopyToClipboard and has
// another program (xclip) paste it as PNG. The clipboard's owner must keep serving requests
// while xclip reads, so xclip runs from this program's event loop. Exit 0 when the pasted
// picture matches, 1 when it does not, 2 when nothing arrived in time.

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "dib/cDIBSection.h"

namespace {

std::uint32_t Expected(int x, int y) {
    const int row = 49 - y;  // the buffer's first row is the picture's bottom one
    return static_cast<std::uint32_t>((x * 2) << 16 | (row * 5) << 8 | 7);
}

int Compare(const QByteArray& png) {
    const QImage image = QImage::fromData(png, "PNG");
    if (image.size() != QSize(100, 50)) {
        std::fprintf(stderr, "pasted picture is %d x %d, not 100 x 50\n", image.width(),
                     image.height());
        return 1;
    }
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            if ((image.pixel(x, y) & 0xFFFFFFu) != Expected(x, y)) {
                std::fprintf(stderr, "pixel %d,%d is %06x, not %06x\n", x, y,
                             image.pixel(x, y) & 0xFFFFFFu, Expected(x, y));
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    cDIBSection dib;
    if (!dib.Create(100, 50)) {
        std::fprintf(stderr, "could not create the buffer\n");
        return 1;
    }
    for (int r = 0; r < 50; ++r) {
        std::uint8_t* row = dib.DIBSectionBitsPtr() + std::ptrdiff_t{r} * dib.BytesPerScanLine();
        for (int x = 0; x < 100; ++x) {
            row[std::ptrdiff_t{3} * x] = 7;
            row[3 * x + 1] = static_cast<std::uint8_t>(r * 5);
            row[3 * x + 2] = static_cast<std::uint8_t>(x * 2);
        }
    }
    if (!dib.CopyToClipboard()) {
        std::fprintf(stderr, "CopyToClipboard returned false\n");
        return 1;
    }

    QProcess xclip;
    QObject::connect(&xclip, &QProcess::finished, &app, [&](int code, QProcess::ExitStatus) {
        if (code != 0) {
            std::fprintf(stderr, "xclip failed: %s\n", xclip.readAllStandardError().constData());
            QCoreApplication::exit(1);
            return;
        }
        QCoreApplication::exit(Compare(xclip.readAllStandardOutput()));
    });
    QTimer::singleShot(30000, &app, [] {
        std::fprintf(stderr, "xclip did not deliver the picture within 30 s\n");
        QCoreApplication::exit(2);
    });
    xclip.start("xclip", {"-selection", "clipboard", "-o", "-t", "image/png"});
    const int result = QApplication::exec();
    xclip.kill();
    xclip.waitForFinished(1000);
    return result;
}
