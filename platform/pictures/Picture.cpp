#include "platform/pictures/Picture.h"

#include "platform/pictures/PictureData.h"
#include "platform/pictures/PictureRegistry.h"
#include "platform/runtime/Failure.h"

namespace platform {

Picture::Data::Data(QImage img)
    : image(std::move(img)),
      handle(RegisterPicture({image.width(), image.height(), image.constBits(),
                              static_cast<int>(image.bytesPerLine())})) {}

Picture::Data::~Data() {
    UnregisterPicture(handle);
}

Picture PictureFromImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    QImage rgb = image.format() == QImage::Format_RGB32
                     ? image
                     : image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) {
        Raise(FailureKind::CallFailed, "not enough memory for a picture of " +
                                           std::to_string(image.width()) + " x " +
                                           std::to_string(image.height()) + " pixels");
    }
    return Picture(std::make_shared<const Picture::Data>(std::move(rgb)));
}

QImage ImageOf(const Picture& picture) {
    return picture.IsEmpty() ? QImage() : picture.data()->image;
}

Picture Picture::FromRgb32(int width, int height, const std::uint32_t* pixels, int strideBytes) {
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        Raise(FailureKind::CallFailed, "not enough memory for a picture of " +
                                           std::to_string(width) + " x " + std::to_string(height) +
                                           " pixels");
    }
    const auto* source = reinterpret_cast<const std::uint8_t*>(pixels);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(source + std::ptrdiff_t{y} * strideBytes);
        auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            out[x] = row[x] | 0xFF000000u;
        }
    }
    return Picture(std::make_shared<const Data>(std::move(image)));
}

Picture Picture::Filled(int width, int height, std::uint32_t rgb) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        Raise(FailureKind::CallFailed, "not enough memory for a picture");
    }
    image.fill(QColor::fromRgb(rgb | 0xFF000000u));
    return Picture(std::make_shared<const Data>(std::move(image)));
}

std::uint32_t Picture::Handle() const {
    return data_ ? data_->handle : 0;
}
int Picture::PixelWidth() const {
    return data_ ? data_->image.width() : 0;
}
int Picture::PixelHeight() const {
    return data_ ? data_->image.height() : 0;
}
const std::uint8_t* Picture::Bits() const {
    return data_ ? data_->image.constBits() : nullptr;
}
int Picture::Stride() const {
    return data_ ? static_cast<int>(data_->image.bytesPerLine()) : 0;
}

std::uint32_t Picture::PixelAt(int x, int y) const {
    if (!data_ || x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) {
        Raise(FailureKind::OutOfRange, "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                           ") lies outside the picture");
    }
    return data_->image.pixel(x, y) & 0xFFFFFFu;
}

}  // namespace platform
