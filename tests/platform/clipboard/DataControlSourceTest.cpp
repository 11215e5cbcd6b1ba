#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/clipboard/DataControlSource.h"
#include "support/TestSupport.h"

using platform::Picture;
using platform::Clipboard::ClipboardSource;
using platform::Clipboard::MakeDataControlSource;
using platform::Clipboard::SelectionLink;
using testing_support::EncodeImage;

namespace {

constexpr std::chrono::milliseconds kDeadline{300};

// The compositor as the reader sees it. Selections set by other programs arrive at once
// (Select) or wait until the reader catches up (Queue), as events the compositor has sent but
// the reader has not handled yet do; receiving gives the test the writing end of a pipe.
class FakeLink final : public SelectionLink {
  public:
    struct Asked {
        std::uint64_t offer;
        QString type;
        int writer;
    };

    ~FakeLink() override {
        for (Asked& asked : asked_) {
            CloseWriter(asked);
        }
    }
    FakeLink() = default;
    FakeLink(const FakeLink&) = delete;
    FakeLink& operator=(const FakeLink&) = delete;

    std::uint64_t Select(const QStringList& types) {
        current_ = ++made_;
        listener_->SelectionChanged(current_, types);
        return current_;
    }
    void Queue(const QStringList& types) { queued_.push_back(types); }

    int Receive(std::uint64_t offer, const QString& type) override {
        if (offer != current_) {
            return -1;
        }
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return -1;
        }
        fcntl(ends[0], F_SETFL, O_NONBLOCK);
        asked_.push_back({offer, type, ends[1]});
        return ends[0];
    }

    void CatchUp() override {
        while (!queued_.empty()) {
            const QStringList types = queued_.front();
            queued_.pop_front();
            Select(types);
        }
        if (clearedPending_) {
            clearedPending_ = false;
            current_ = 0;
            listener_->SelectionChanged(0, {});
        }
    }

    // The compositor answers with an empty selection, which the reader learns later.
    void ClearSelection() override {
        ++clears_;
        clearedPending_ = true;
    }

    // The source writes all of `bytes` and closes its end; a reader that has gone (and closed
    // its end) takes nothing.
    void Answer(std::size_t asked, const QByteArray& bytes) {
        Asked& a = asked_.at(asked);
        if (!bytes.isEmpty()) {
            const ssize_t written =
                write(a.writer, bytes.constData(), static_cast<std::size_t>(bytes.size()));
            ASSERT_TRUE(written == bytes.size() || (written < 0 && errno == EPIPE));
        }
        CloseWriter(a);
    }

    const std::vector<Asked>& asked() const { return asked_; }
    int clears() const { return clears_; }

  private:
    static void CloseWriter(Asked& asked) {
        if (asked.writer >= 0) {
            close(asked.writer);
            asked.writer = -1;
        }
    }

    std::uint64_t made_ = 0;
    std::uint64_t current_ = 0;
    std::deque<QStringList> queued_;
    bool clearedPending_ = false;
    int clears_ = 0;
    std::vector<Asked> asked_;
};

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Handles events until the condition holds, for a few seconds at most.
bool EventuallyTrue(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Handles events for a while, during which nothing is expected to happen.
void HandleEventsFor(std::chrono::milliseconds span) {
    const QDeadlineTimer deadline(span);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

class DataControlSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A source writing to a reader that has gone is told so, as real ones are.
        std::signal(SIGPIPE, SIG_IGN);
        auto link = std::make_unique<FakeLink>();
        link_ = link.get();
        source_ = MakeDataControlSource(std::move(link), kDeadline);
    }

    // The picture the reader shows, once it has one.
    Picture Arrived() {
        EXPECT_TRUE(EventuallyTrue([this] { return !source_->Current().IsEmpty(); }));
        return source_->Current();
    }

    FakeLink* link_ = nullptr;
    std::unique_ptr<ClipboardSource> source_;
};

}  // namespace

TEST_F(DataControlSourceTest, TheCheapestImageTypeIsReadAndTheSelectionReadIsEmptied) {
    link_->Select({"text/plain", "image/png", "image/bmp", "text/html"});
    ASSERT_EQ(link_->asked().size(), 1u);
    EXPECT_EQ(link_->asked()[0].type, "image/bmp");
    EXPECT_TRUE(source_->Current().IsEmpty());  // not before all of it is here
    link_->Answer(0, EncodeImage(Filled(40, 30, qRgb(10, 200, 30)), "BMP"));

    const Picture picture = Arrived();
    EXPECT_EQ(picture.PixelWidth(), 40);
    EXPECT_EQ(picture.PixelAt(5, 5), 0x0AC81Eu);
    EXPECT_EQ(source_->Current().Handle(), picture.Handle());  // read once
    source_->Clear();
    EXPECT_EQ(link_->clears(), 1);
    EXPECT_TRUE(source_->Current().IsEmpty());
    // The tick empties once more: the selection is not set to none twice, nor asked again.
    source_->Clear();
    EXPECT_EQ(link_->clears(), 1);
    EXPECT_EQ(link_->asked().size(), 1u);
}

TEST_F(DataControlSourceTest, TextIsNeitherReadNorEmptied) {
    link_->Select({"text/plain;charset=utf-8", "UTF8_STRING", "text/uri-list"});
    HandleEventsFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(link_->asked().empty());
    EXPECT_TRUE(source_->Current().IsEmpty());
}

TEST_F(DataControlSourceTest, ANewerSelectionIsNeverEmptiedAndIsReadInTurn) {
    link_->Select({"image/png"});
    link_->Answer(0, EncodeImage(Filled(8, 8, qRgb(255, 0, 0)), "PNG"));
    ASSERT_FALSE(Arrived().IsEmpty());
    // Another picture was copied: the compositor said so, the reader has not heard it yet.
    link_->Queue({"image/png"});
    source_->Clear();
    EXPECT_EQ(link_->clears(), 0);
    ASSERT_EQ(link_->asked().size(), 2u);
    EXPECT_EQ(link_->asked()[1].offer, 2u);

    // While the newer one is being read, emptying leaves it alone too.
    source_->Clear();
    EXPECT_EQ(link_->clears(), 0);
    link_->Answer(1, EncodeImage(Filled(8, 8, qRgb(0, 0, 255)), "PNG"));
    EXPECT_EQ(Arrived().PixelAt(0, 0), 0x0000FFu);
    source_->Clear();
    EXPECT_EQ(link_->clears(), 1);
}

TEST_F(DataControlSourceTest, AReplacedSelectionsReadEndsAndTheNewOneIsRead) {
    link_->Select({"image/png"});
    link_->Select({"image/bmp"});
    ASSERT_EQ(link_->asked().size(), 2u);
    // The first source answers late: its picture is gone from the clipboard, and unread.
    link_->Answer(0, EncodeImage(Filled(8, 8, qRgb(255, 0, 0)), "PNG"));
    link_->Answer(1, EncodeImage(Filled(6, 6, qRgb(0, 255, 0)), "BMP"));
    EXPECT_EQ(Arrived().PixelAt(0, 0), 0x00FF00u);
    // Emptied by another program meanwhile: nothing to show, nothing to empty.
    link_->Select({});
    EXPECT_TRUE(source_->Current().IsEmpty());
}

TEST_F(DataControlSourceTest, ASilentSourceIsGivenUpOnceAndNotAskedAgainWhileItHoldsTheSelection) {
    testing::internal::CaptureStderr();
    link_->Select({"image/png", "image/bmp"});
    ASSERT_EQ(link_->asked().size(), 1u);
    HandleEventsFor(kDeadline * 3);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("did not answer within 0.3 s"), std::string::npos) << said;
    EXPECT_EQ(said.find("left there", said.find("left there") + 1), std::string::npos) << said;
    EXPECT_EQ(link_->asked().size(), 1u);  // not even for its other type
    EXPECT_TRUE(source_->Current().IsEmpty());
    source_->Clear();
    EXPECT_EQ(link_->clears(), 1);  // emptied when asked to: its read is over

    // The next selection is asked as usual.
    link_->Select({"image/png"});
    EXPECT_EQ(link_->asked().size(), 2u);
}

TEST_F(DataControlSourceTest, ASourceThatKeepsSendingIsNotGivenUp) {
    link_->Select({"image/bmp"});
    const QByteArray bmp = EncodeImage(Filled(64, 64, qRgb(1, 2, 3)), "BMP");
    const int writer = link_->asked()[0].writer;
    // Parts arrive further apart in all than the deadline, each well within it.
    const qsizetype part = bmp.size() / 4 + 1;
    for (qsizetype at = 0; at < bmp.size(); at += part) {
        const auto length = static_cast<std::size_t>(std::min(part, bmp.size() - at));
        ASSERT_EQ(write(writer, bmp.constData() + at, length), static_cast<ssize_t>(length));
        HandleEventsFor(kDeadline / 3);
    }
    link_->Answer(0, {});
    EXPECT_EQ(Arrived().PixelWidth(), 64);
}

TEST_F(DataControlSourceTest, BytesThatAreNoPictureFailTheirTypeAndTheNextIsAsked) {
    testing::internal::CaptureStderr();
    link_->Select({"image/png", "image/bmp"});
    ASSERT_EQ(link_->asked()[0].type, "image/bmp");
    link_->Answer(0, QByteArray("this is text, not a bitmap at all"));
    ASSERT_TRUE(EventuallyTrue([this] { return link_->asked().size() == 2; }));
    EXPECT_EQ(link_->asked()[1].type, "image/png");
    link_->Answer(1, QByteArray("nor is this a PNG"));
    HandleEventsFor(std::chrono::milliseconds(100));
    const std::string said = testing::internal::GetCapturedStderr();
    // One line for the selection, with both reasons.
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("image/bmp does not decode (its first bytes are no picture"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("image/png does not decode"), std::string::npos) << said;
    EXPECT_TRUE(source_->Current().IsEmpty());
}

TEST_F(DataControlSourceTest, ATypeThatGivesNothingLeadsToTheNext) {
    link_->Select({"image/png", "image/bmp"});
    link_->Answer(0, {});
    ASSERT_TRUE(EventuallyTrue([this] { return link_->asked().size() == 2; }));
    EXPECT_EQ(link_->asked()[1].type, "image/png");
    link_->Answer(1, EncodeImage(Filled(5, 4, qRgb(9, 9, 9)), "PNG"));
    EXPECT_EQ(Arrived().PixelHeight(), 4);
}

TEST_F(DataControlSourceTest, ThePictureJustTakenOfferedAgainIsEmptiedWithoutAWindow) {
    const QByteArray png = EncodeImage(Filled(8, 8, qRgb(200, 100, 0)), "PNG");
    link_->Select({"image/png"});
    link_->Answer(0, png);
    ASSERT_FALSE(Arrived().IsEmpty());
    source_->Clear();
    link_->CatchUp();
    ASSERT_EQ(link_->clears(), 1);

    // Offered anew right away, byte for byte, twice: emptied, said once, no picture shown.
    testing::internal::CaptureStderr();
    for (std::size_t again : {1u, 2u}) {
        link_->Select({"image/png"});
        link_->Answer(again, png);
        ASSERT_TRUE(EventuallyTrue([&] { return link_->clears() == 1 + static_cast<int>(again); }));
        EXPECT_TRUE(source_->Current().IsEmpty());
        link_->CatchUp();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("the one just taken"), std::string::npos) << said;
    EXPECT_EQ(said.find("the one just taken", said.find("the one just taken") + 1),
              std::string::npos)
        << said;

    // Another picture is taken as always.
    link_->Select({"image/png"});
    link_->Answer(3, EncodeImage(Filled(8, 8, qRgb(0, 100, 200)), "PNG"));
    EXPECT_EQ(Arrived().PixelAt(1, 1), 0x0064C8u);
}
