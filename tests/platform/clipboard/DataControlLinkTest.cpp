#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <csignal>
#include <deque>
#include <memory>
#include <vector>

#include "platform/clipboard/DataControlLink.h"
#include "support/TestSupport.h"

using platform::Clipboard::ClipboardLink;
using platform::Clipboard::MakeDataControlLink;
using platform::Clipboard::SelectionLink;

namespace {

constexpr std::chrono::milliseconds kDeadline{300};

// The compositor as the link sees it. Selections set by other programs arrive at once
// (Select) or wait until the link catches up (Queue), as events the compositor has sent but
// the link has not handled yet do; receiving gives the test the writing end of a pipe.
class FakeWire final : public SelectionLink {
  public:
    FakeWire() = default;
    FakeWire(const FakeWire&) = delete;
    FakeWire& operator=(const FakeWire&) = delete;
    ~FakeWire() override {
        for (int writer : writers) {
            close(writer);
        }
    }

    std::uint64_t Select(const QStringList& types) {
        current_ = ++made_;
        listener_->SelectionChanged(current_, types);
        return current_;
    }
    void Queue(const QStringList& types) { queued_.push_back(types); }

    int Receive(std::uint64_t offer, const QString& /*type*/) override {
        int ends[2];
        if (offer != current_ || pipe2(ends, O_CLOEXEC) != 0) {
            return -1;
        }
        fcntl(ends[0], F_SETFL, O_NONBLOCK);
        writers.push_back(ends[1]);
        return ends[0];
    }
    void CatchUp() override {
        while (!queued_.empty()) {
            Select(queued_.front());
            queued_.pop_front();
        }
    }
    void ClearSelection() override { ++clears; }

    void Write(const QByteArray& bytes) const {
        ASSERT_EQ(write(writers.back(), bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  bytes.size());
    }
    void Close() {
        close(writers.back());
        writers.pop_back();
    }

    std::vector<int> writers;
    int clears = 0;

  private:
    std::uint64_t made_ = 0;
    std::uint64_t current_ = 0;
    std::deque<QStringList> queued_;
};

// What the link tells the intake.
struct Heard final : ClipboardLink::Listener {
    void Changed(ClipboardLink& /*link*/, std::uint64_t claim) override { claims.push_back(claim); }
    void Offered(ClipboardLink& /*link*/, const ClipboardLink::Claim& claim) override {
        offered = claim.types;
    }
    void Received(ClipboardLink& /*link*/, std::uint64_t claim, const QByteArray& got,
                  std::shared_ptr<const void> /*keep*/) override {
        received = claim;
        bytes = QByteArray(got.constData(), got.size());
    }
    void Refused(ClipboardLink& /*link*/, std::uint64_t claim, const QString& why,
                 bool others) override {
        refused = claim;
        reason = why;
        tryOthers = others;
    }

    std::vector<std::uint64_t> claims;
    QStringList offered;
    std::uint64_t received = 0;
    QByteArray bytes;
    std::uint64_t refused = 0;
    QString reason;
    bool tryOthers = false;
};

class DataControlLinkTest : public ::testing::Test {
  protected:
    DataControlLinkTest() {
        std::signal(SIGPIPE, SIG_IGN);
        auto wire = std::make_unique<FakeWire>();
        wire_ = wire.get();
        link_ = MakeDataControlLink(std::move(wire), kDeadline);
        link_->SetListener(&heard_);
    }

    FakeWire* wire_;
    std::unique_ptr<ClipboardLink> link_;
    Heard heard_;
};

}  // namespace

TEST_F(DataControlLinkTest, AFormatArrivesInPartsAndOnlyTheSelectionReadIsEmptied) {
    const std::uint64_t offer = wire_->Select({"image/png", "text/plain"});
    EXPECT_EQ(heard_.offered, (QStringList{"image/png", "text/plain"}));
    link_->Receive(offer, "image/png");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QByteArray png = testing_support::EncodeImage(image, "png");
    wire_->Write(png.left(20));
    QCoreApplication::processEvents();
    wire_->Write(png.mid(20));
    wire_->Close();
    ASSERT_TRUE(testing_support::SpinUntil([&] { return heard_.received == offer; }));
    EXPECT_EQ(heard_.bytes, png);

    // A selection the compositor sent, not yet handled, is handled first and stays.
    wire_->Queue({"image/bmp"});
    link_->Empty(offer);
    EXPECT_EQ(wire_->clears, 0);
    link_->Empty(heard_.claims.back());
    EXPECT_EQ(wire_->clears, 1);
}

TEST_F(DataControlLinkTest, ASilentSourceIsGivenUpAndOneThatGivesNothingFailsItsFormatOnly) {
    const std::uint64_t offer = wire_->Select({"image/png", "image/bmp"});
    link_->Receive(offer, "image/bmp");
    wire_->Close();
    ASSERT_TRUE(testing_support::SpinUntil([&] { return heard_.refused == offer; }));
    EXPECT_EQ(heard_.reason, "image/bmp gave no data");
    EXPECT_TRUE(heard_.tryOthers);

    // Bytes that are no picture of their format fail it, with the transfer's reason.
    heard_.refused = 0;
    link_->Receive(offer, "image/png");
    wire_->Write("no png at all");
    ASSERT_TRUE(testing_support::SpinUntil([&] { return heard_.refused == offer; }));
    EXPECT_NE(heard_.reason.indexOf("image/png"), -1) << heard_.reason.toStdString();
    EXPECT_TRUE(heard_.tryOthers);

    heard_.refused = 0;
    link_->Receive(offer, "image/png");
    ASSERT_TRUE(testing_support::SpinUntil([&] { return heard_.refused == offer; }));
    EXPECT_NE(heard_.reason.indexOf("did not answer"), -1) << heard_.reason.toStdString();
    EXPECT_FALSE(heard_.tryOthers);
}
