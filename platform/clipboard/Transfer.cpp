#include "platform/clipboard/Transfer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/pictures/PictureDecoder.h"
#include "platform/pictures/PictureHeader.h"
#include "platform/runtime/MemoryUse.h"
#include "platform/runtime/PageCost.h"

namespace platform::Clipboard {

namespace {

// The largest file the decoder would take: its most pixels at 4 bytes each, and headers.
constexpr std::int64_t kMostFileBytes = kMostPixels * 4 + kHeaderAllowance;

// The formats whose bytes must start with a header read here; bytes offered as one of them
// that start otherwise are no picture (whatever the label says, any of these headers will do:
// the decoder finds the kind from the bytes).
constexpr std::array kHeaderFormats = {"image/png",
                                       "image/bmp",
                                       "image/x-bmp",
                                       "image/x-ms-bmp",
                                       "image/ppm",
                                       "image/x-portable-pixmap",
                                       "image/x-portable-graymap",
                                       "image/x-portable-bitmap",
                                       "image/x-portable-anymap"};

QString Amount(std::int64_t bytes) {
    constexpr std::int64_t kMegabyte = std::int64_t{1} << 20;
    if (bytes < kMegabyte) {
        return QStringLiteral("%1 bytes").arg(bytes);
    }
    return QStringLiteral("%1 MB").arg(bytes / kMegabyte + (bytes % kMegabyte != 0 ? 1 : 0));
}

}  // namespace

Transfer::Transfer(QString format, std::int64_t announced, std::int64_t memoryAvailable)
    : format_(std::move(format)),
      memoryAvailable_(memoryAvailable < 0 ? MemoryAvailable() : memoryAvailable) {
    const QString lower = format_.toLower();
    checksContent_ = std::any_of(kHeaderFormats.begin(), kHeaderFormats.end(),
                                 [&](const char* name) { return lower == QLatin1String(name); });
    limit_ = kMostFileBytes;
    limitReason_ = QStringLiteral("the largest picture file the program takes (%1)")
                       .arg(Amount(kMostFileBytes));
    if (memoryAvailable_ / 2 < limit_) {
        limit_ = memoryAvailable_ / 2;
        limitReason_ =
            QStringLiteral("half of the memory available (%1)").arg(Amount(memoryAvailable_ / 2));
    }
    Announce(announced);
}

bool Transfer::Announce(std::int64_t size) {
    if (Refused() || size < 0) {
        return !Refused();
    }
    announced_ = size;
    if (size > limit_) {
        Refuse(
            QStringLiteral("its owner announced %1, more than %2").arg(Amount(size), limitReason_));
        return false;
    }
    return true;
}

Transfer::~Transfer() {
    Release();
}

Transfer::Transfer(Transfer&& other) noexcept
    : format_(std::move(other.format_)),
      checksContent_(other.checksContent_),
      headerRead_(other.headerRead_),
      announced_(other.announced_),
      memoryAvailable_(other.memoryAvailable_),
      limit_(other.limit_),
      limitReason_(std::move(other.limitReason_)),
      refusal_(std::move(other.refusal_)),
      overLimit_(other.overLimit_),
      data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, false)),
      size_(std::exchange(other.size_, 0)) {}

Transfer& Transfer::operator=(Transfer&& other) noexcept {
    if (this != &other) {
        Release();
        format_ = std::move(other.format_);
        checksContent_ = other.checksContent_;
        headerRead_ = other.headerRead_;
        announced_ = other.announced_;
        memoryAvailable_ = other.memoryAvailable_;
        limit_ = other.limit_;
        limitReason_ = std::move(other.limitReason_);
        refusal_ = std::move(other.refusal_);
        overLimit_ = other.overLimit_;
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, false);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool Transfer::Expect(std::int64_t more) {
    if (Refused()) {
        return false;
    }
    if (more > limit_ - size_) {
        Refuse(QStringLiteral("was abandoned: %1 had arrived and %2 more were on their way, more "
                              "than %3")
                   .arg(Amount(size_), Amount(more), limitReason_));
        return false;
    }
    return true;
}

bool Transfer::CheckWhole(const char* data, std::size_t size) {
    if (Refused()) {
        return false;
    }
    if (static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(limit_)) {
        Refuse(QStringLiteral("is %1, more than %2")
                   .arg(Amount(static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX))),
                        limitReason_));
        return false;
    }
    return CheckHeader(data, size);
}

bool Transfer::Append(const char* data, std::size_t size) {
    if (Refused()) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    const auto received =
        static_cast<std::int64_t>(std::min<std::size_t>(size, INT64_MAX / 2)) + size_;
    if (received > limit_) {
        Refuse(QStringLiteral("was abandoned after %1, more than %2")
                   .arg(Amount(received), limitReason_));
        return false;
    }
    if (!Reserve(received)) {
        Refuse(QStringLiteral("was abandoned after %1: not enough memory to hold it")
                   .arg(Amount(received)));
        return false;
    }
    std::memcpy(data_ + size_, data, size);
    size_ = received;
    return headerRead_ || CheckHeader(data_, static_cast<std::size_t>(size_));
}

bool Transfer::CheckHeader(const char* data, std::size_t size) {
    const PictureHeader header = ReadPictureHeader(data, size);
    switch (header.state) {
        case PictureHeader::State::Incomplete:
            return true;
        case PictureHeader::State::Unknown:
            headerRead_ = true;
            if (checksContent_) {
                Refuse(QStringLiteral("does not decode (its first bytes are no picture of a kind "
                                      "the program reads)"),
                       false);
                return false;
            }
            return true;
        case PictureHeader::State::Damaged:
            headerRead_ = true;
            if (checksContent_) {
                Refuse(QStringLiteral("does not decode (it is no %1 picture: %2)")
                           .arg(QLatin1String(header.kind), QString::fromStdString(header.problem)),
                       false);
                return false;
            }
            return true;
        case PictureHeader::State::Read:
            break;
    }
    headerRead_ = true;
    const QString dimensions = QStringLiteral("%1 x %2").arg(header.width).arg(header.height);
    // Both at most 2^31 - 1, so the product cannot overflow.
    const std::int64_t pixels = header.width * header.height;
    if (pixels > kMostPixels) {
        Refuse(QStringLiteral("is %1 pixels, more than the 32767 x 32767 a picture may have")
                   .arg(dimensions),
               false);
        return false;
    }
    if (pixels * 4 > memoryAvailable_) {
        Refuse(QStringLiteral("of %1 pixels needs %2, only %3 of memory is free")
                   .arg(dimensions, Amount(pixels * 4), Amount(memoryAvailable_)),
               false);
        return false;
    }
    if (header.mostBytes >= 0 && header.mostBytes < limit_) {
        limit_ = header.mostBytes;
        limitReason_ = QStringLiteral("a %1 %2 can take (%3)")
                           .arg(dimensions, QLatin1String(header.kind), Amount(limit_));
        if (static_cast<std::int64_t>(size) > limit_) {
            Refuse(QStringLiteral("was abandoned after %1, more than %2")
                       .arg(Amount(static_cast<std::int64_t>(size)), limitReason_));
            return false;
        }
        if (announced_ > limit_) {
            Refuse(QStringLiteral("was abandoned: its owner announced %1, more than %2")
                       .arg(Amount(announced_), limitReason_));
            return false;
        }
    }
    return true;
}

bool Transfer::Reserve(std::int64_t needed) {
    const auto wanted = static_cast<std::size_t>(needed);
    if (wanted <= capacity_) {
        return true;
    }
    if (data_ == nullptr) {
        // Address room for the whole limit at once: pages are given memory only as bytes are
        // written into them, and nothing ever moves, however many parts arrive.
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t room = (static_cast<std::size_t>(limit_) + page - 1) / page * page;
        void* mapped = mmap(nullptr, room, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapped != MAP_FAILED) {
            // A large picture's bytes fill huge pages where the system has them: where fresh
            // memory is dear, each small page would cost more than copying into it.
            AdviseHugePages(mapped, room);
            data_ = static_cast<char*>(mapped);
            capacity_ = room;
            mapped_ = true;
            return wanted <= capacity_;
        }
    }
    if (mapped_) {
        return false;
    }
    // Where the system will not reserve that much, the block doubles as it fills (large blocks
    // are mappings of their own, which the C library moves without copying).
    const std::size_t grown =
        std::min(std::max({wanted, capacity_ * 2, std::size_t{1} << 16}),
                 static_cast<std::size_t>(std::max<std::int64_t>(limit_, needed)));
    void* moved = std::realloc(data_, grown);
    if (moved == nullptr) {
        return false;
    }
    data_ = static_cast<char*>(moved);
    capacity_ = grown;
    return true;
}

void Transfer::Refuse(const QString& reason, bool overLimit) {
    refusal_ = format_ + QLatin1Char(' ') + reason;
    overLimit_ = overLimit;
    Release();
}

void Transfer::Release() noexcept {
    if (data_ != nullptr) {
        if (mapped_) {
            munmap(data_, capacity_);
        } else {
            std::free(data_);
        }
    }
    data_ = nullptr;
    capacity_ = 0;
    mapped_ = false;
    size_ = 0;
}

QByteArray Transfer::Bytes() const {
    if (data_ == nullptr) {
        return {};
    }
    return QByteArray::fromRawData(data_, static_cast<qsizetype>(size_));
}

}  // namespace platform::Clipboard
