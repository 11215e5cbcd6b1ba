#pragma once
// Turning the bytes of a picture file (one format a clipboard owner offers) into a picture,
// safely: sizes beyond what the
// program takes or what memory allows are refused before anything is allocated, and an
// allocation that fails makes the bytes undecodable instead of ending the program.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

#include "platform/pictures/Picture.h"

namespace platform {

struct Decoded {
    Picture picture;  // empty when the bytes gave none
    QString failure;  // why, when they gave none
};

// The most pixels a picture may have: that of 32767 x 32767.
constexpr std::int64_t kMostPixels = std::int64_t{32767} * 32767;

// The pixels alone, as any thread may decode them.
struct DecodedImage {
    QImage image;     // Format_RGB32; null when the bytes gave none
    QString failure;  // why, when they gave none
};

// Decodes bytes offered as the given MIME type. memoryFree is the memory that may be used,
// in bytes; a negative value asks the system.
Decoded DecodePicture(const QByteArray& bytes, const QString& mimeType,
                      std::int64_t memoryFree = -1);
// The same, safe to run on any thread: the picture is made from the image on the user
// interface's thread (AsPicture).
DecodedImage DecodeImage(const QByteArray& bytes, const QString& mimeType,
                         std::int64_t memoryFree = -1);
Decoded AsPicture(DecodedImage decoded);

// An image another part of this process put on the clipboard, as a picture.
Decoded TakeImage(QImage image);

// How many times bytes were decoded, for tests and benchmarks.
long DecodeAttempts();

}  // namespace platform
