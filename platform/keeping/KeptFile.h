#pragma once
// One kept capture on disk: a 32-bit top-down bitmap (BMP) whose pixel rows are the picture's
// own memory, so that writing it costs no more than writing its bytes, and any image viewer
// opens it.

#include <QImage>
#include <QString>
#include <cstdint>

namespace platform::keeping {

// The size of the file that holds a picture of this size.
std::int64_t KeptFileSize(int width, int height);

// Writes the image (Format_RGB32) to path, readable by the user alone (0600): into a temporary
// file beside it, flushed to the disk, then renamed over path, so that a crash at any point
// leaves either no file or the whole one. Returns "" or the system's reason; a failed write
// leaves nothing behind.
QString WriteKeptFile(const QImage& image, const QString& path);

// The picture of a kept file, or a null image and the reason it cannot be read: the file is
// damaged (cut short, or no kept capture at all), or it cannot be read now (the system refuses,
// too little memory).
struct KeptRead {
    QImage image;
    QString problem;
    bool damaged = true;
};
KeptRead ReadKeptFile(const QString& path);

// The system's words for an error number.
QString SystemReason(int error);

}  // namespace platform::keeping
