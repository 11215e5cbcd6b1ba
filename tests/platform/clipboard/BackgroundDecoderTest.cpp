#include <gtest/gtest.h>

#include <QImage>
#include <QObject>
#include <QThread>
#include <memory>
#include <vector>

#include "platform/clipboard/BackgroundDecoder.h"
#include "support/TestSupport.h"

using platform::DecodedImage;
using platform::Clipboard::BackgroundDecoder;
using testing_support::SpinUntil;

namespace {

QByteArray Png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    return testing_support::EncodeImage(image, "png");
}

}  // namespace

// Decodes away from the caller and hands over in the event loop, on the caller's thread, the
// latest decode only; a cancelled or orphaned decode hands over nothing.
TEST(BackgroundDecoderTest, HandsOverTheLatestDecodeInTheEventLoopAndNothingWhenOrphaned) {
    auto context = std::make_unique<QObject>();
    auto decoder = std::make_unique<BackgroundDecoder>(context.get());
    auto keep = std::make_shared<int>(0);
    // Each hand-over tells the width of the picture it brings.
    std::vector<int> done;
    const auto record = [&](const DecodedImage& decoded) { done.push_back(decoded.image.width()); };
    QThread* handedOverIn = nullptr;
    decoder->Start(Png(10, 10), nullptr, "image/png", record);
    decoder->Start(Png(20, 20), keep, "image/png", [&](const DecodedImage& decoded) {
        done.push_back(decoded.image.width());
        handedOverIn = QThread::currentThread();
    });
    EXPECT_TRUE(done.empty()) << "never before the event loop runs";
    EXPECT_TRUE(decoder->Busy());
    ASSERT_TRUE(SpinUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<int>{20});
    EXPECT_EQ(handedOverIn, QThread::currentThread());
    EXPECT_FALSE(decoder->Busy());
    EXPECT_EQ(keep.use_count(), 1) << "what the bytes lay in is let go";

    decoder->Start(Png(30, 30), nullptr, "image/png", record);
    decoder->Cancel();
    EXPECT_FALSE(decoder->Busy());
    // One worker decodes in turn: once the next one is handed over, the cancelled one is done.
    decoder->Start(Png(40, 40), nullptr, "image/png", record);
    ASSERT_TRUE(SpinUntil([&] { return done.size() >= 2; }));
    EXPECT_EQ(done, (std::vector<int>{20, 40}));

    // A decode whose decoder and context went meanwhile rings no one.
    decoder->Start(Png(50, 50), nullptr, "image/png", record);
    decoder.reset();
    context.reset();
    auto later = std::make_unique<QObject>();
    BackgroundDecoder next(later.get());
    next.Start(Png(60, 60), nullptr, "image/png", record);
    ASSERT_TRUE(SpinUntil([&] { return done.size() >= 3; }));
    EXPECT_EQ(done, (std::vector<int>{20, 40, 60}));
}
