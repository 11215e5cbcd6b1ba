#include <gtest/gtest.h>

#include <QImage>

#include "platform/clipboard/RecentCaptures.h"
#include "platform/pictures/PictureData.h"

using platform::Clipboard::Fingerprint;
using platform::Clipboard::RecentCaptures;
using std::chrono::milliseconds;

TEST(RecentCapturesTest, ACaptureStaysRecentWhileOfferedAndFromARelayForEver) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(qRgb(3, 4, 5));
    QImage other = image;
    other.setPixel(7, 7, qRgb(3, 4, 6));
    const Fingerprint bytes = Fingerprint::Of("encoded");
    const auto start = RecentCaptures::Clock::time_point(std::chrono::hours(1));
    RecentCaptures recent;
    recent.Took(platform::PictureFromImage(image), bytes, start);

    EXPECT_FALSE(recent.SamePicture(other, {}, start, false));
    EXPECT_FALSE(recent.SameBytes(Fingerprint::Of("encodeD"), start));
    // Offered again and again, each time within the window of the last: still the same.
    auto now = start;
    for (int again = 0; again < 3; ++again) {
        now += RecentCaptures::kRecent;
        EXPECT_TRUE(recent.SameBytes(bytes, now)) << again;
    }
    EXPECT_TRUE(recent.SamePicture(image, Fingerprint::Of("other"), now, false));
    EXPECT_TRUE(recent.SameBytes(Fingerprint::Of("other"), now)) << "its new encoding is known";
    // After a pause it is a new copy of it, except from a relay.
    now += RecentCaptures::kRecent + milliseconds(1);
    EXPECT_TRUE(recent.SamePicture(image, {}, now, true));
    EXPECT_FALSE(recent.SamePicture(image, {}, now, false));
    EXPECT_FALSE(recent.SameBytes(bytes, now));
}
