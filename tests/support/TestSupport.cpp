#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace testing_support {

namespace {
std::vector<std::string> reported;
std::vector<std::unique_ptr<QTemporaryDir>> folders;
}  // namespace

void RecordFailure(const std::string& text) {
    reported.push_back(text);
}

std::vector<std::string> TakeReportedFailures() {
    std::vector<std::string> out;
    out.swap(reported);
    return out;
}

std::uint32_t PatternPixel(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                      static_cast<std::uint32_t>(y) * 19349663u ^ seed * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h & 0xFFFFFFu;
}

std::vector<std::uint32_t> PutPictureOnClipboard(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = PatternPixel(x, y, seed);
            image.setPixel(x, y, 0xFF000000u | rgb);
            pixels.push_back(rgb);
        }
    }
    QGuiApplication::clipboard()->setImage(image);
    Settle();
    return pixels;
}

void PutTextOnClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    Settle();
}

std::string ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

bool ClipboardHoldsAnything() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && !data->formats().isEmpty();
}

void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool SpinUntil(const std::function<bool()>& condition, int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

DesktopColors::DesktopColors(std::uint32_t windowBack, std::uint32_t windowText)
    : before_(QGuiApplication::palette()) {
    QPalette palette = before_;
    palette.setColor(QPalette::Base, QColor::fromRgb(windowBack));
    palette.setColor(QPalette::Text, QColor::fromRgb(windowText));
    QGuiApplication::setPalette(palette);
}

DesktopColors::~DesktopColors() {
    QGuiApplication::setPalette(before_);
}

void ClearSettings() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Vornal3", "Vornal3");
    store.clear();
    store.sync();
}

std::string MakeTempFolder() {
    folders.push_back(std::make_unique<QTemporaryDir>());
    return QDir::toNativeSeparators(folders.back()->path()).toStdString();
}

QByteArray EncodeImage(const QImage& image, const char* format, int compression) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setCompression(compression);
    if (!writer.write(image)) {
        ADD_FAILURE() << "the " << format
                      << " writer failed: " << writer.errorString().toStdString();
    }
    return bytes;
}

QImage NoiseImage(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        auto* line = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i) {
            line[i] = static_cast<uchar>(QRandomGenerator::global()->bounded(256));
        }
    }
    return image;
}

}  // namespace testing_support
