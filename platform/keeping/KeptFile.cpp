#include "platform/keeping/KeptFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>

namespace platform::keeping {

namespace {

constexpr int kHeaderSize = 14 + 40;  // file header and BITMAPINFOHEADER

void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
std::uint32_t Get32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

std::array<std::uint8_t, kHeaderSize> HeaderFor(int width, int height) {
    std::array<std::uint8_t, kHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], static_cast<std::uint32_t>(KeptFileSize(width, height)));
    Put32(&h[10], kHeaderSize);
    Put32(&h[14], 40);
    Put32(&h[18], static_cast<std::uint32_t>(width));
    // A negative height: the rows run top-down, as in memory.
    Put32(&h[22], static_cast<std::uint32_t>(-height));
    Put16(&h[26], 1);   // planes
    Put16(&h[28], 32);  // bits per pixel; compression 0: plain rows
    Put32(&h[34], static_cast<std::uint32_t>(KeptFileSize(width, height) - kHeaderSize));
    Put32(&h[38], 3780);  // 96 DPI
    Put32(&h[42], 3780);
    return h;
}

bool WriteAll(int fd, const std::uint8_t* data, std::int64_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(size));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::int64_t KeptFileSize(int width, int height) {
    return kHeaderSize + std::int64_t{width} * height * 4;
}

QString WriteKeptFile(const QImage& image, const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    const QFileInfo info(path);
    const QByteArray temporary =
        QFile::encodeName(info.dir().filePath(QStringLiteral(".writing-") + info.fileName()));
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return SystemReason(errno);
    }
    const auto header = HeaderFor(image.width(), image.height());
    const std::int64_t rowBytes = std::int64_t{image.width()} * 4;
    bool ok = WriteAll(fd, header.data(), kHeaderSize);
    if (ok && image.bytesPerLine() == rowBytes) {
        ok = WriteAll(fd, image.constBits(), rowBytes * image.height());
    } else {
        for (int y = 0; ok && y < image.height(); ++y) {
            ok = WriteAll(fd, image.constScanLine(y), rowBytes);
        }
    }
    ok = ok && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok || ::rename(temporary.constData(), target.constData()) != 0) {
        const int failure = ok ? errno : error;
        ::unlink(temporary.constData());
        return SystemReason(failure);
    }
    // The rename itself reaches the disk with its folder.
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

KeptRead ReadKeptFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {QImage(), file.errorString(), false};
    }
    std::array<std::uint8_t, kHeaderSize> h{};
    if (file.read(reinterpret_cast<char*>(h.data()), kHeaderSize) != kHeaderSize) {
        return {QImage(), QStringLiteral("it is cut short")};
    }
    const auto width = static_cast<std::int32_t>(Get32(&h[18]));
    const auto height = -static_cast<std::int32_t>(Get32(&h[22]));
    if (h[0] != 'B' || h[1] != 'M' || Get32(&h[10]) != kHeaderSize || Get32(&h[14]) != 40 ||
        h[28] != 32 || h[29] != 0 || Get32(&h[30]) != 0 || width <= 0 || height <= 0 ||
        std::int64_t{width} * height > std::int64_t{32767} * 32767) {
        return {QImage(), QStringLiteral("it is not a kept capture")};
    }
    if (file.size() != KeptFileSize(width, height)) {
        return {QImage(), file.size() < KeptFileSize(width, height)
                              ? QStringLiteral("it is cut short")
                              : QStringLiteral("it is not a kept capture")};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {QImage(), QStringLiteral("there is not enough memory for its picture"), false};
    }
    const qint64 rowBytes = qint64{width} * 4;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<char*>(image.scanLine(y));
        if (file.read(row, rowBytes) != rowBytes) {
            if (file.error() != QFileDevice::NoError) {
                return {QImage(), file.errorString(), false};
            }
            return {QImage(), QStringLiteral("it is cut short")};
        }
        auto* pixels = reinterpret_cast<std::uint32_t*>(row);
        for (int x = 0; x < width; ++x) {
            pixels[x] |= 0xFF000000u;
        }
    }
    return {image, {}, false};
}

}  // namespace platform::keeping
