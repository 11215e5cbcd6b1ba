// Throws random bytes, as any clipboard owner may send them, at the header reader, at
// transfers fed in random parts, and at the decoder, under AddressSanitizer. A header read
// from more bytes never contradicts the one read from fewer; a transfer fed in parts refuses
// exactly the bytes it would refuse arriving whole, and otherwise holds them all.

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdlib>
#include <vector>

#include "platform/clipboard/Transfer.h"
#include "platform/pictures/PictureDecoder.h"
#include "platform/pictures/PictureHeader.h"
#include "platform/runtime/ToolkitMessages.h"

using platform::PictureHeader;
using platform::ReadPictureHeader;
using platform::Clipboard::Transfer;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool SameHeader(const PictureHeader& a, const PictureHeader& b) {
    return a.state == b.state && a.width == b.width && a.height == b.height &&
           a.mostBytes == b.mostBytes;
}

// Once a header tells something, more bytes tell the same.
void CheckHeaders(const std::vector<char>& bytes) {
    const PictureHeader whole = ReadPictureHeader(bytes.data(), bytes.size());
    bool told = false;
    for (std::size_t size = 0; size <= std::min<std::size_t>(bytes.size(), 300); ++size) {
        const PictureHeader prefix = ReadPictureHeader(bytes.data(), size);
        if (prefix.state != PictureHeader::State::Incomplete) {
            told = true;
        }
        if (told) {
            Check(SameHeader(prefix, whole));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    platform::RouteToolkitMessages();  // as the program does at start
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    static const std::array<const char*, 5> kFormats = {
        "image/png", "image/bmp", "image/x-portable-pixmap", "image/jpeg", "image/tiff"};
    const QString format = QString::fromLatin1(
        kFormats[in.ConsumeIntegralInRange<std::size_t>(0, kFormats.size() - 1)]);
    const std::int64_t memory = in.ConsumeIntegralInRange<std::int64_t>(0, std::int64_t{1} << 24);
    const std::int64_t announced =
        in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange<std::int64_t>(0, std::int64_t{1} << 26);
    std::vector<std::size_t> parts(in.ConsumeIntegralInRange<std::size_t>(1, 8));
    for (std::size_t& part : parts) {
        part = in.ConsumeIntegralInRange<std::size_t>(1, 512);
    }
    const std::vector<char> bytes = in.ConsumeRemainingBytes<char>();

    CheckHeaders(bytes);

    Transfer whole(format, announced, memory);
    const bool wholeTaken = !whole.Refused() && whole.CheckWhole(bytes.data(), bytes.size());
    Transfer inParts(format, announced, memory);
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size() && !inParts.Refused(); ++i) {
        const std::size_t part = std::min(parts[i % parts.size()], bytes.size() - at);
        inParts.Append(bytes.data() + at, part);
        at += part;
    }
    Check(inParts.Refused() == !wholeTaken);
    if (inParts.Refused()) {
        Check(inParts.Bytes().isEmpty() && inParts.Received() == 0);
        return 0;
    }
    const QByteArray held = inParts.Bytes();
    Check(held.size() == static_cast<qsizetype>(bytes.size()) &&
          std::equal(bytes.begin(), bytes.end(), held.begin()));
    platform::DecodePicture(held, format, memory);
    return 0;
}
