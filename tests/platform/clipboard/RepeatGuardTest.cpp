#include <gtest/gtest.h>

#include <QByteArray>

#include "platform/clipboard/RepeatGuard.h"

using platform::Clipboard::Fingerprint;
using platform::Clipboard::RepeatGuard;
using Verdict = RepeatGuard::Verdict;
using std::chrono::milliseconds;

namespace {

const RepeatGuard::Clock::time_point kStart{std::chrono::hours(1)};

}  // namespace

TEST(RepeatGuardTest, FingerprintsTellBytesApart) {
    const QByteArray picture(100000, 'a');
    QByteArray changed = picture;
    changed[99999] = 'b';
    EXPECT_EQ(Fingerprint::Of(picture), Fingerprint::Of(QByteArray(100000, 'a')));
    EXPECT_NE(Fingerprint::Of(picture), Fingerprint::Of(changed));
    EXPECT_NE(Fingerprint::Of(picture), Fingerprint::Of(picture.left(99999)));
}

TEST(RepeatGuardTest, TheSamePictureFromTheSameClientIsLeftForTwoSecondsAfterItsTake) {
    const Fingerprint picture = Fingerprint::Of("picture");
    RepeatGuard guard;
    EXPECT_EQ(guard.Judge(picture, 7, kStart), Verdict::New);  // nothing taken yet
    guard.Took(picture, 7, kStart);
    // A burst of offers: said once.
    EXPECT_EQ(guard.Judge(picture, 7, kStart + milliseconds(1)), Verdict::Repeat);
    EXPECT_EQ(guard.Judge(picture, 7, kStart + milliseconds(900)), Verdict::RepeatAgain);
    EXPECT_EQ(guard.Judge(picture, 7, kStart + RepeatGuard::kWithin), Verdict::RepeatAgain);
    // Later, it is copied again on purpose.
    const auto later = kStart + RepeatGuard::kWithin + milliseconds(1);
    EXPECT_EQ(guard.Judge(picture, 7, later), Verdict::New);
    guard.Took(picture, 7, later);
    // A new burst is said again.
    EXPECT_EQ(guard.Judge(picture, 7, later + milliseconds(5)), Verdict::Repeat);
}

TEST(RepeatGuardTest, OtherPicturesAndOtherClientsAreTakenAsAlways) {
    const Fingerprint picture = Fingerprint::Of("picture");
    RepeatGuard guard;
    guard.Took(picture, 7, kStart);
    EXPECT_EQ(guard.Judge(Fingerprint::Of("another"), 7, kStart), Verdict::New);
    EXPECT_EQ(guard.Judge(picture, 8, kStart), Verdict::New);
    guard.Took(Fingerprint::Of("another"), 7, kStart);
    EXPECT_EQ(guard.Judge(picture, 7, kStart), Verdict::New);
}

TEST(RepeatGuardTest, ARelayRepeatsThePictureLastTakenAtAnyTime) {
    const Fingerprint picture = Fingerprint::Of("picture");
    RepeatGuard guard;
    guard.Took(picture, 3, kStart);
    EXPECT_EQ(guard.Judge(picture, 3, kStart + std::chrono::hours(5), true), Verdict::Repeat);
    EXPECT_EQ(guard.Judge(Fingerprint::Of("new"), 3, kStart + std::chrono::hours(5), true),
              Verdict::New);
}
