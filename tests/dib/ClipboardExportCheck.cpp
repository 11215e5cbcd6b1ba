// Puts a 100 x 50 picture on the real clipboard with cDIBSection::CopyToClipboard and has
// another program (xclip) paste it as PNG, from this program's event loop so that the
// clipboard's owner keeps serving it. Exit 0 when the pasted picture matches, else 1.

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <cstdio>

#include "dib/cDIBSection.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    cDIBSection dib;
    if (!dib.Create(100, 50)) {
        return 1;
    }
    // Red rising to the right, green rising upwards from the bottom row, blue 7.
    for (int r = 0; r < 50; ++r) {
        for (int x = 0; x < 100; ++x) {
            std::uint8_t* p =
                dib.DIBSectionBitsPtr() + std::ptrdiff_t{r} * 300 + std::ptrdiff_t{3} * x;
            p[0] = 7;
            p[1] = static_cast<std::uint8_t>(r * 5);
            p[2] = static_cast<std::uint8_t>(x * 2);
        }
    }
    if (!dib.CopyToClipboard()) {
        std::fprintf(stderr, "CopyToClipboard returned false\n");
        return 1;
    }
    QProcess xclip;
    QObject::connect(&xclip, &QProcess::finished, &app, [&](int code, QProcess::ExitStatus) {
        const QImage image = QImage::fromData(xclip.readAllStandardOutput(), "PNG");
        bool same = code == 0 && image.size() == QSize(100, 50);
        for (int i = 0; same && i < 5000; ++i) {
            const int x = i % 100, y = i / 100;
            same = image.pixel(x, y) == qRgb(x * 2, (49 - y) * 5, 7);
        }
        std::fprintf(stderr, "xclip exit %d, %d x %d picture%s\n", code, image.width(),
                     image.height(), same ? "" : " that differs");
        QCoreApplication::exit(same ? 0 : 1);
    });
    xclip.start("xclip", {"-selection", "clipboard", "-o", "-t", "image/png"});
    return QApplication::exec();
}
