#include "platform/pictures/PictureDecoder.h"

#include <sys/mman.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <new>

#include "platform/pictures/PictureData.h"
#include "platform/runtime/MemoryUse.h"
#include "platform/runtime/PageCost.h"
#include "platform/runtime/ToolkitMessages.h"

namespace platform {

namespace {

std::atomic<long> decodes = 0;

constexpr std::int64_t kMegabyte = std::int64_t{1024} * 1024;

// The reader's own limit only stops sizes that could never be met; the real limits are
// checked below, where the reason can be told. A 16-bit picture of the largest size takes
// 8 bytes a pixel while decoding.
constexpr int kReaderLimitMegabytes = static_cast<int>(kMostPixels * 8 / kMegabyte + 1);

// What a capture window needs beside its picture: room for one more copy of the pixels (a
// crop, or the rows of a save), and a little for everything else.
constexpr std::int64_t kReserve = 16 * kMegabyte;
std::int64_t WindowRoom(std::int64_t pixels) {
    return pixels * 4 + kReserve;
}

QString Megabytes(std::int64_t bytes) {
    return QString::number((bytes + kMegabyte - 1) / kMegabyte) + QStringLiteral(" MB");
}

QByteArray ReaderFormatFor(const QString& mimeType) {
    const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(mimeType.toLatin1());
    // Unknown names (image/ppm, image/x-bmp) are found from the bytes themselves.
    return formats.isEmpty() ? QByteArray() : formats.front();
}

// The format the reader says it decodes into. A reader of damaged bytes may say any number (the
// toolkit's JPEG reader leaves it unset when the header is bad): anything it does not name is
// Format_Invalid, as if the reader did not tell.
QImage::Format ReaderImageFormat(QImageReader& reader) {
    const auto said = static_cast<int>(reader.imageFormat());
    return said > QImage::Format_Invalid && said < QImage::NImageFormats
               ? static_cast<QImage::Format>(said)
               : QImage::Format_Invalid;
}

bool ConvertsInPlace(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// What decoding needs, or why it cannot be had.
QString CheckSize(QImageReader& reader, const QString& name, std::int64_t memoryFree) {
    const QSize size = reader.size();
    if (!size.isValid()) {
        return {};  // the format does not tell before decoding; the reader's limit holds
    }
    const QString dimensions = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
    const std::int64_t pixels = std::int64_t{size.width()} * size.height();
    if (pixels > kMostPixels) {
        return QStringLiteral("%1 is %2 pixels, more than the 32767 x 32767 a picture may have")
            .arg(name, dimensions);
    }
    const QImage::Format format = ReaderImageFormat(reader);
    const int depth =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    std::int64_t needed = pixels * std::max(depth, 8) / 8;
    if (!ConvertsInPlace(format)) {
        needed += pixels * 4;  // the picture's own 32-bit copy
    }
    if (memoryFree < 0) {
        memoryFree = MemoryAvailable();
    }
    // Decoding it, and then working on it in a window.
    needed += WindowRoom(pixels);
    if (needed > memoryFree) {
        return QStringLiteral(
                   "%1 of %2 pixels needs %3 to be decoded and worked on, only %4 of memory is "
                   "free")
            .arg(name, dimensions, Megabytes(needed), Megabytes(memoryFree));
    }
    return {};
}

QString Undecodable(const QString& mimeType, QString why, const GatheredWarnings& warnings) {
    if (const QString more = warnings.Joined(); !more.isEmpty()) {
        why += QStringLiteral(": ") + more;
    }
    return QStringLiteral("%1 does not decode (%2)").arg(mimeType, why);
}

// The decoded image as 32-bit pixels.
DecodedImage Hold(QImage image, const QString& name) {
    DecodedImage result;
    const QSize size = image.size();
    // In place for the usual formats, so the pixels are held once.
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull() || image.format() != QImage::Format_RGB32) {
        result.failure = QStringLiteral("%1: not enough memory for %2 x %3 pixels")
                             .arg(name)
                             .arg(size.width())
                             .arg(size.height());
        return result;
    }
    result.image = std::move(image);
    return result;
}

// From this size on, pixels get a mapping of their own, advised to use huge pages.
constexpr std::int64_t kOwnMappingBytes = std::int64_t{2} << 20;

// Pixels' own mapping, given back to the system when the image lets it go.
struct Mapping {
    Mapping(void* at, std::size_t bytes) : at(at), bytes(bytes) {}
    ~Mapping() { munmap(at, bytes); }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    void* at;
    std::size_t bytes;
};

void Unmap(void* info) {
    delete static_cast<Mapping*>(info);
}

// Room for a large picture's 32-bit pixels, for the reader to decode straight into: the
// picture keeps these pixels as they are, and where fresh memory is dear, huge pages spare
// most of its cost. A null image (the reader then allocates as usual) for a small picture,
// any other format, or where the room cannot be had.
QImage FinalPixels(QSize size, QImage::Format format) {
    if (format != QImage::Format_RGB32 || !size.isValid()) {
        return {};
    }
    const std::int64_t bytesPerLine = std::int64_t{size.width()} * 4;
    const std::int64_t bytes = bytesPerLine * size.height();
    if (bytes < kOwnMappingBytes || bytesPerLine > INT32_MAX) {
        return {};
    }
    void* at = mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) {
        return {};
    }
    std::unique_ptr<Mapping> mapping(new (std::nothrow)
                                         Mapping(at, static_cast<std::size_t>(bytes)));
    if (!mapping) {
        munmap(at, static_cast<std::size_t>(bytes));
        return {};
    }
    AdviseHugePages(at, static_cast<std::size_t>(bytes));
    QImage image(static_cast<uchar*>(at), size.width(), size.height(),
                 static_cast<qsizetype>(bytesPerLine), format, &Unmap, mapping.get());
    if (!image.isNull()) {
        static_cast<void>(mapping.release());  // the image's now
    }
    return image;
}

// What the reader made of the bytes: the image; or why there is none, either found before
// reading (`failure`) or the reader's own words (`readerError`).
struct ReadOutcome {
    QImage image;
    QString failure;
    QString readerError;
    bool sizeKnown = false;  // the size was told, and checked, before reading
};

ReadOutcome ReadImage(const QByteArray& bytes, const QString& mimeType, std::int64_t memoryFree) {
    ReadOutcome outcome;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, ReaderFormatFor(mimeType));
    if (!reader.canRead()) {
        outcome.failure =
            QStringLiteral(
                "%1 does not decode (its bytes are no picture of a kind the program reads)")
                .arg(mimeType);
        return outcome;
    }
    outcome.failure = CheckSize(reader, mimeType, memoryFree);
    if (!outcome.failure.isEmpty()) {
        return outcome;
    }
    outcome.sizeKnown = reader.size().isValid();
    // The reader decodes into an image of the right size and format as it is.
    outcome.image = FinalPixels(reader.size(), ReaderImageFormat(reader));
    if (!reader.read(&outcome.image)) {
        outcome.image = QImage();
        outcome.readerError = reader.errorString();
    }
    return outcome;
}

}  // namespace

Decoded AsPicture(DecodedImage decoded) {
    Decoded result;
    result.failure = std::move(decoded.failure);
    if (!decoded.image.isNull()) {
        result.picture = PictureFromImage(decoded.image);
    }
    return result;
}

Decoded TakeImage(QImage image) {
    ++decodes;
    if (image.isNull()) {
        return {Picture(), QStringLiteral("the picture is empty")};
    }
    try {
        return AsPicture(Hold(std::move(image), QStringLiteral("the picture")));
    } catch (const std::exception& e) {
        return {Picture(), QString::fromUtf8(e.what())};
    }
}

Decoded DecodePicture(const QByteArray& bytes, const QString& mimeType, std::int64_t memoryFree) {
    return AsPicture(DecodeImage(bytes, mimeType, memoryFree));
}

DecodedImage DecodeImage(const QByteArray& bytes, const QString& mimeType,
                         std::int64_t memoryFree) {
    ++decodes;
    static const bool limitSet = [] {
        QImageReader::setAllocationLimit(kReaderLimitMegabytes);
        return true;
    }();
    static_cast<void>(limitSet);

    DecodedImage result;
    // The image readers say what went wrong as warnings of their own (libpng's through them):
    // they join the one reason given for the picture instead of being said on their own.
    const GatheredWarnings warnings;
    try {
        ReadOutcome read = ReadImage(bytes, mimeType, memoryFree);
        if (!read.failure.isEmpty()) {
            result.failure = read.failure;
            return result;
        }
        if (read.image.isNull()) {
            result.failure = Undecodable(mimeType, read.readerError, warnings);
            return result;
        }
        if (!read.sizeKnown) {
            // Checked now that the picture holds its memory: what is left must still do for
            // working on it.
            const QImage& image = read.image;
            const std::int64_t pixels = std::int64_t{image.width()} * image.height();
            const std::int64_t left =
                memoryFree < 0 ? MemoryAvailable() : memoryFree - image.sizeInBytes();
            if (WindowRoom(pixels) > left) {
                result.failure =
                    QStringLiteral(
                        "%1 of %2 x %3 pixels leaves too little memory (%4) to work on it")
                        .arg(mimeType)
                        .arg(image.width())
                        .arg(image.height())
                        .arg(Megabytes(std::max<std::int64_t>(left, 0)));
                return result;
            }
        }
        result = Hold(std::move(read.image), mimeType);
    } catch (const std::bad_alloc&) {
        result = {};
        result.failure = QStringLiteral("%1: not enough memory to decode it").arg(mimeType);
    } catch (const std::exception& e) {
        result = {};
        result.failure = QStringLiteral("%1: %2").arg(mimeType, QString::fromUtf8(e.what()));
    }
    return result;
}

long DecodeAttempts() {
    return decodes;
}

}  // namespace platform
