#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>

#include "platform/clipboard/Transfer.h"
#include "platform/pictures/PictureDecoder.h"
#include "platform/pictures/PictureHeader.h"
#include "support/TestSupport.h"

using platform::kHeaderAllowance;
using platform::Clipboard::Transfer;
using testing_support::EncodeImage;
using testing_support::NoiseImage;

namespace {

constexpr std::int64_t kMegabyte = std::int64_t{1} << 20;
constexpr std::int64_t kPlenty = std::int64_t{64} << 30;

bool Feed(Transfer& transfer, const QByteArray& bytes, qsizetype part) {
    for (qsizetype at = 0; at < bytes.size(); at += part) {
        if (!transfer.Append(bytes.constData() + at,
                             static_cast<std::size_t>(std::min(part, bytes.size() - at)))) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(TransferTest, PartsOfAnySizeAddUpToTheWholeFile) {
    const QByteArray png = EncodeImage(NoiseImage(200, 120, QImage::Format_RGB32), "png", 0);
    for (const qsizetype part : {1, 7, 4096, 1 << 20}) {
        Transfer transfer("image/png", png.size(), kPlenty);
        ASSERT_TRUE(Feed(transfer, png, part)) << transfer.Refusal().toStdString();
        EXPECT_EQ(transfer.Bytes(), png);
        EXPECT_LT(transfer.Limit(), kHeaderAllowance + png.size() * 2);
    }
}

TEST(TransferTest, EndlessBytesStopAtTheLimitAndGiveTheirMemoryBack) {
    const QByteArray header =
        EncodeImage(NoiseImage(100, 100, QImage::Format_RGB32), "png", 0).left(33);
    const QByteArray part(qsizetype{64} * 1024, '\0');
    struct Case {
        const char* format;
        QByteArray start;
        std::int64_t memory;
        const char* reason;
    };
    for (const Case& c :
         {Case{"image/png", header, kPlenty, "a 100 x 100 PNG can take"},
          // No header read for this format: half of the memory is its limit.
          Case{"image/tiff", QByteArray("II*\0", 4), 64 * kMegabyte, "half of the memory"}}) {
        Transfer transfer(c.format, 4096, c.memory);
        ASSERT_TRUE(transfer.Append(c.start.constData(), c.start.size()));
        std::int64_t sent = c.start.size();
        while (transfer.Append(part.constData(), part.size())) {
            sent += part.size();
            ASSERT_LE(sent, kHeaderAllowance + 64 * kMegabyte) << c.format << " never stopped";
        }
        EXPECT_LE(sent, transfer.Limit());
        EXPECT_GT(sent + part.size(), transfer.Limit());
        EXPECT_TRUE(transfer.OverLimit());
        EXPECT_TRUE(transfer.Bytes().isEmpty());
        const std::string why = transfer.Refusal().toStdString();
        EXPECT_NE(why.find(c.format), std::string::npos) << why;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_NE(why.find(" MB"), std::string::npos) << why;  // how much arrived
        EXPECT_FALSE(transfer.Append("x", 1));
    }
}

TEST(TransferTest, BytesThatAreNoPictureOfTheirFormatAreRefusedAtOnce) {
    const QByteArray garbage("<html><body>not a picture</body></html>");
    for (const char* format : {"image/png", "image/bmp", "image/x-portable-pixmap"}) {
        Transfer transfer(format, -1, kPlenty);
        EXPECT_FALSE(transfer.Append(garbage.constData(), garbage.size())) << format;
        EXPECT_TRUE(transfer.Refusal().contains("no picture")) << transfer.Refusal().toStdString();
        EXPECT_FALSE(transfer.OverLimit()) << "only this format fails";
    }
    // A label is not the kind: a BMP offered as PNG is still a picture the decoder reads.
    const QByteArray bmp = EncodeImage(NoiseImage(8, 8, QImage::Format_RGB32), "bmp", 0);
    Transfer relabelled("image/png", -1, kPlenty);
    EXPECT_TRUE(relabelled.Append(bmp.constData(), bmp.size()));
    // Formats without a header read here get only the limits.
    Transfer other("image/jpeg", -1, kPlenty);
    EXPECT_TRUE(other.Append(garbage.constData(), garbage.size()));
}

TEST(TransferTest, SizesBeyondTheLimitsAreRefusedBeforeTheyArrive) {
    const std::int64_t most = platform::kMostPixels * 4 + kHeaderAllowance;
    // Announced: within the decoder's largest file, with plenty of memory, and beyond it.
    EXPECT_FALSE(Transfer("image/png", most, kPlenty).Refused());
    EXPECT_TRUE(Transfer("image/png", most + 1, kPlenty).Refused());
    EXPECT_TRUE(Transfer("image/png", INT64_MAX, kPlenty).Refused());
    // Half of the memory available.
    EXPECT_FALSE(Transfer("image/png", 50 * kMegabyte, 100 * kMegabyte).Refused());
    const Transfer starved("image/png", 50 * kMegabyte + 1, 100 * kMegabyte);
    EXPECT_TRUE(starved.Refusal().contains("half of the memory available (50 MB)"))
        << starved.Refusal().toStdString();
    // A reply that arrives whole, checked where it lies.
    constexpr std::int64_t kKilobyte = 1024;
    const QByteArray reply(50 * kKilobyte + 1, 'x');
    EXPECT_TRUE(Transfer("image/tiff", -1, 100 * kKilobyte)
                    .CheckWhole(reply.constData(), reply.size() - 1));
    EXPECT_FALSE(
        Transfer("image/tiff", -1, 100 * kKilobyte).CheckWhole(reply.constData(), reply.size()));
    EXPECT_FALSE(Transfer("image/png", -1, kPlenty).CheckWhole(reply.constData(), reply.size()));
    // A part whose length would overflow the count is over the limit, and nothing is read.
    Transfer overflowing("image/png", -1, kPlenty);
    EXPECT_FALSE(overflowing.Append("", SIZE_MAX));
    EXPECT_TRUE(overflowing.Refused());

    // Headers that claim more pixels than a picture may have, or than memory holds.
    QByteArray header = EncodeImage(NoiseImage(1, 1, QImage::Format_RGB32), "png", 0).left(33);
    const auto claim = [&](std::uint32_t width, std::uint32_t height, std::int64_t memory) {
        for (int i = 0; i < 4; ++i) {
            header[16 + i] = static_cast<char>(width >> (24 - 8 * i));
            header[20 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        Transfer transfer("image/png", -1, memory);
        transfer.Append(header.constData(), header.size());
        return transfer.Refusal().toStdString();
    };
    EXPECT_NE(claim(40000, 40000, kPlenty).find("32767 x 32767"), std::string::npos);
    EXPECT_NE(claim(20000, 20000, 1024 * kMegabyte).find("only 1024 MB"), std::string::npos);
    EXPECT_EQ(claim(20000, 20000, kPlenty), "");
    // An announced size within the first limits, but beyond the picture its header tells.
    Transfer overannounced("image/png", std::int64_t{4} << 30, kPlenty);
    EXPECT_FALSE(overannounced.Refused());
    EXPECT_FALSE(overannounced.Append(header.constData(), header.size()));
    EXPECT_TRUE(overannounced.Refusal().contains("announced 4096 MB"))
        << overannounced.Refusal().toStdString();
}
