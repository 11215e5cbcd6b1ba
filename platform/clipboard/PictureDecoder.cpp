#include "platform/clipboard/PictureDecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "platform/pictures/PictureData.h"

namespace platform::Clipboard {

namespace {

long decodes = 0;

QByteArray ReaderFormatFor(const QString& mimeType) {
    const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(mimeType.toLatin1());
    // Unknown names (image/ppm, image/x-bmp) are found from the bytes themselves.
    return formats.isEmpty() ? QByteArray() : formats.front();
}

// The image readers say what went wrong as warnings of their own; while decoding, those are
// gathered into the one reason given for the picture instead of going to standard error.
class ReaderWarnings {
  public:
    ReaderWarnings() : previous_(qInstallMessageHandler(&Collect)) { gathered_ = &lines_; }
    ~ReaderWarnings() {
        qInstallMessageHandler(previous_);
        gathered_ = nullptr;
    }
    ReaderWarnings(const ReaderWarnings&) = delete;
    ReaderWarnings& operator=(const ReaderWarnings&) = delete;

    QString Joined() const { return lines_.join(QStringLiteral(", ")); }

  private:
    static void Collect(QtMsgType /*type*/, const QMessageLogContext& /*context*/,
                        const QString& text) {
        if (gathered_ != nullptr && gathered_->size() < 4) {
            gathered_->append(text.simplified());
        }
    }

    static inline QStringList* gathered_ = nullptr;
    QStringList lines_;
    QtMessageHandler previous_;
};

QString Undecodable(const QString& mimeType, const QImageReader& reader,
                    const ReaderWarnings& warnings) {
    QString why = reader.errorString();
    if (const QString more = warnings.Joined(); !more.isEmpty()) {
        why += QStringLiteral(": ") + more;
    }
    return QStringLiteral("%1 does not decode (%2)").arg(mimeType, why);
}

// The decoded image as a picture of 32-bit pixels.
Decoded Hold(QImage image, const QString& name) {
    Decoded result;
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
    result.picture = PictureFromImage(image);
    return result;
}

}  // namespace

Decoded TakeImage(QImage image) {
    ++decodes;
    if (image.isNull()) {
        return {Picture(), QStringLiteral("the picture is empty")};
    }
    try {
        return Hold(std::move(image), QStringLiteral("the picture"));
    } catch (const std::exception& e) {
        return {Picture(), QString::fromUtf8(e.what())};
    }
}

Decoded DecodePicture(const QByteArray& bytes, const QString& mimeType) {
    ++decodes;

    Decoded result;
    const ReaderWarnings warnings;
    try {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, ReaderFormatFor(mimeType));
        if (!reader.canRead()) {
            result.failure = QStringLiteral(
                                 "%1 does not decode (its bytes are no picture of a "
                                 "kind the program reads)")
                                 .arg(mimeType);
            return result;
        }
        QImage image;
        if (!reader.read(&image)) {
            result.failure = Undecodable(mimeType, reader, warnings);
            return result;
        }
        result = Hold(std::move(image), mimeType);
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

}  // namespace platform::Clipboard
