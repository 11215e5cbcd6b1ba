#pragma once
// Turning the bytes of one clipboard format into a picture; an allocation that fails makes
// the bytes undecodable instead of ending the program.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

#include "platform/pictures/Picture.h"

namespace platform::Clipboard {

struct Decoded {
    Picture picture;  // empty when the bytes gave none
    QString failure;  // why, when they gave none
};

// Decodes bytes offered as the given MIME type.
Decoded DecodePicture(const QByteArray& bytes, const QString& mimeType);

// An image another part of this process put on the clipboard, as a picture.
Decoded TakeImage(QImage image);

// How many times bytes were decoded, for tests and benchmarks.
long DecodeAttempts();

}  // namespace platform::Clipboard
