#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "platform/clipboard/Clipboard.h"
#include "platform/clipboard/Intake.h"
#include "support/TestSupport.h"

using platform::Picture;
using platform::Clipboard::ClipboardLink;
using platform::Clipboard::Intake;
using testing_support::EncodeImage;

namespace {

// One side of the clipboard as the intake sees it: claims made by the test, each format's
// bytes handed over at once, and the claims the intake emptied.
class FakeSide final : public ClipboardLink {
  public:
    explicit FakeSide(bool relay = false) : relay_(relay) {}

    std::uint64_t Claim(const std::map<QString, QByteArray>& formats) {
        current_ = ++claims_;
        formats_ = formats;
        QStringList types;
        for (const auto& format : formats) {
            types.append(format.first);
        }
        listener_->Changed(*this, current_);
        listener_->Offered(*this, {current_, types, relay_});
        return current_;
    }

    void Receive(std::uint64_t claim, const QString& type) override {
        ASSERT_EQ(claim, current_) << "only the claim that holds the side is read";
        asked.push_back(type);
        const QByteArray bytes = formats_[type];
        if (bytes.isEmpty()) {
            listener_->Refused(*this, claim, type + " gave no data", true);
            return;
        }
        listener_->Received(*this, claim, bytes, nullptr);
    }
    void Empty(std::uint64_t claim) override { emptied.push_back(claim); }
    bool Immediate() const override { return true; }

    std::vector<QString> asked;
    std::vector<std::uint64_t> emptied;

  private:
    bool relay_;
    std::uint64_t claims_ = 0;
    std::uint64_t current_ = 0;
    std::map<QString, QByteArray> formats_;
};

QImage Filled(QRgb colour, int width = 6, int height = 4) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

std::map<QString, QByteArray> Png(const QImage& image) {
    return {{"image/png", EncodeImage(image, "png")}};
}
std::map<QString, QByteArray> Bmp(const QImage& image) {
    return {{"image/bmp", EncodeImage(image, "bmp")}};
}

class IntakeTest : public ::testing::Test {
  protected:
    explicit IntakeTest(int sides = 1) {
        std::vector<std::unique_ptr<ClipboardLink>> links;
        for (int i = 0; i < sides; ++i) {
            links.push_back(std::make_unique<FakeSide>());
            side_.push_back(static_cast<FakeSide*>(links.back().get()));
        }
        intake_ = std::make_unique<Intake>(std::move(links));
    }

    std::vector<FakeSide*> side_;
    std::unique_ptr<Intake> intake_;
};

class BridgedIntakeTest : public IntakeTest {
  protected:
    BridgedIntakeTest() : IntakeTest(2) {}
};

}  // namespace

TEST_F(IntakeTest, EachClaimIsReadOnceCheapestFirstAndWhatGivesNoPictureIsToldOnceAndLeft) {
    const QImage image = Filled(qRgb(0x12, 0x34, 0x56), 5, 3);
    const long before = platform::Clipboard::DecodeCount();
    side_[0]->Claim({{"image/png", EncodeImage(image, "png")},
                     {"image/bmp", EncodeImage(image, "bmp").left(54)},  // headers, no pixels
                     {"text/plain", "kept"}});
    testing::internal::CaptureStderr();
    const Picture picture = intake_->Current();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a picture taken is no failure";
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(picture.PixelAt(4, 2), 0x123456u);
    EXPECT_EQ(side_[0]->asked, (std::vector<QString>{"image/bmp", "image/png"}));
    EXPECT_EQ(intake_->Current().Handle(), picture.Handle());
    EXPECT_EQ(platform::Clipboard::DecodeCount() - before, 2);

    // Text is no picture: nothing to take, nothing emptied.
    side_[0]->Claim({{"text/plain", "hello"}});
    EXPECT_TRUE(intake_->Current().IsEmpty());
    EXPECT_TRUE(intake_->Clear().IsEmpty());
    EXPECT_TRUE(side_[0]->emptied.empty());

    // Bytes that are no picture: one line, however often the clipboard is looked at.
    testing::internal::CaptureStderr();
    side_[0]->Claim({{"image/png", "no png"}, {"image/x-portable-pixmap", {}}});
    const long after = platform::Clipboard::DecodeCount();
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_TRUE(intake_->Current().IsEmpty());
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("left there"), std::string::npos) << said;
    EXPECT_NE(said.find("image/x-portable-pixmap gave no data"), std::string::npos) << said;
    EXPECT_EQ(platform::Clipboard::DecodeCount(), after);
}

TEST_F(IntakeTest, TakingEmptiesTheClaimReadOnceAndAClaimMadeBetweenTwoEmptyingsOpensNext) {
    const std::uint64_t first = side_[0]->Claim(Png(Filled(qRgb(1, 2, 3))));
    ASSERT_FALSE(intake_->Current().IsEmpty());
    EXPECT_FALSE(intake_->Clear().IsEmpty());
    // An owner claims the clipboard anew before the tick's second emptying.
    const std::uint64_t second = side_[0]->Claim(Png(Filled(qRgb(4, 5, 6))));
    EXPECT_TRUE(intake_->Clear().IsEmpty());
    EXPECT_EQ(side_[0]->emptied, std::vector<std::uint64_t>{first});

    const Picture next = intake_->Current();
    ASSERT_FALSE(next.IsEmpty());
    EXPECT_EQ(next.PixelAt(0, 0), 0x040506u);
    // A claim that replaces the one shown before it is taken is not emptied unread either.
    const std::uint64_t third = side_[0]->Claim(Png(Filled(qRgb(7, 8, 9))));
    EXPECT_TRUE(intake_->Clear().IsEmpty());
    EXPECT_EQ(side_[0]->emptied, std::vector<std::uint64_t>{first});
    EXPECT_EQ(intake_->Current().PixelAt(0, 0), 0x070809u);
    intake_->Clear();
    EXPECT_EQ(side_[0]->emptied, (std::vector<std::uint64_t>{first, third}));
    (void)second;
}

TEST_F(IntakeTest, ACaptureOfferedAgainInOtherBytesOpensNothingAndIsLeftOnTheClipboard) {
    const QImage image = Filled(qRgb(10, 20, 30));
    side_[0]->Claim(Png(image));
    ASSERT_FALSE(intake_->Current().IsEmpty());
    intake_->Clear();

    // A manager puts it back, encoded anew, and keeps doing so: decoded once, never emptied,
    // told of once.
    testing::internal::CaptureStderr();
    const long before = platform::Clipboard::DecodeCount();
    for (int again = 0; again < 4; ++again) {
        side_[0]->Claim(Bmp(image));
        EXPECT_TRUE(intake_->Current().IsEmpty()) << again;
        intake_->Clear();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(platform::Clipboard::DecodeCount() - before, 1);
    EXPECT_EQ(side_[0]->emptied.size(), 1u);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("offered again"), std::string::npos) << said;

    // Any other picture is taken as always.
    QImage other = image;
    other.setPixel(5, 3, qRgb(9, 9, 9));
    side_[0]->Claim(Bmp(other));
    EXPECT_FALSE(intake_->Current().IsEmpty());
}

TEST_F(BridgedIntakeTest, APictureOnBothSidesOpensOnceAndIsEmptiedOnEach) {
    const QImage image = Filled(qRgb(200, 100, 50));
    const std::uint64_t x11 = side_[0]->Claim(Png(image));
    const std::uint64_t wayland = side_[1]->Claim(Bmp(image));
    ASSERT_FALSE(intake_->Current().IsEmpty());
    intake_->Clear();
    EXPECT_TRUE(intake_->Current().IsEmpty());
    EXPECT_EQ(side_[0]->emptied, std::vector<std::uint64_t>{x11});
    EXPECT_EQ(side_[1]->emptied, std::vector<std::uint64_t>{wayland});

    // The bridge's copy that comes after the take is emptied too; a manager putting the
    // picture back where it was taken from is left alone.
    const QImage next = Filled(qRgb(1, 100, 50));
    side_[0]->Claim(Png(next));
    ASSERT_FALSE(intake_->Current().IsEmpty());
    intake_->Clear();
    const std::uint64_t copy = side_[1]->Claim(Png(next));
    EXPECT_TRUE(intake_->Current().IsEmpty());
    EXPECT_EQ(side_[1]->emptied.back(), copy);
    side_[0]->Claim(Bmp(next));
    EXPECT_TRUE(intake_->Current().IsEmpty());
    EXPECT_EQ(side_[0]->emptied.size(), 2u);
}
