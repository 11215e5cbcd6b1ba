#pragma once
// The inside of a Picture, for the platform's own Qt code.

#include <QImage>

#include "platform/pictures/Picture.h"

namespace platform {

struct Picture::Data {
    explicit Data(QImage img);  // img must be Format_RGB32 and not null
    ~Data();
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    QImage image;
    std::uint32_t handle;
};

// Wraps an image of any format; a null image gives the empty picture.
Picture PictureFromImage(const QImage& image);
// The picture as an image; the empty picture gives a null image.
QImage ImageOf(const Picture& picture);

}  // namespace platform
