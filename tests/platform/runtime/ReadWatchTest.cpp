#include "platform/runtime/ReadWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Handles events until `done` holds, for `most` at most.
bool HandleEventsUntil(const std::function<bool()>& done,
                       Clock::duration most = std::chrono::seconds(5)) {
    const auto until = Clock::now() + most;
    while (!done() && Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK), 0); }
    ~Pipe() {
        ::close(ends[0]);
        ::close(ends[1]);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void Write() const { ASSERT_EQ(::write(ends[1], "x", 1), 1); }
    void ReadAll() const {
        std::array<char, 64> bytes{};
        while (::read(ends[0], bytes.data(), bytes.size()) > 0) {
        }
    }
    std::array<int, 2> ends{};
};

}  // namespace

// The watch runs its function on the thread that made it, again for as long as the news stays
// unread, once more for news after a read, and never once it has ended, though news was
// waiting.
TEST(ReadWatch, RunsOnItsOwnThreadUntilTheNewsIsReadAndNeverAfterItEnds) {
    const Pipe pipe;
    int calls = 0;
    bool onThisThread = true;
    const auto self = std::this_thread::get_id();
    auto watch = std::make_unique<platform::ReadWatch>(pipe.ends[0], [&] {
        onThisThread = onThisThread && std::this_thread::get_id() == self;
        if (++calls == 3) {
            pipe.ReadAll();
        }
    });
    pipe.Write();
    ASSERT_TRUE(HandleEventsUntil([&] { return calls >= 3; }));
    pipe.Write();
    ASSERT_TRUE(HandleEventsUntil([&] { return calls >= 4; }));
    EXPECT_TRUE(onThisThread);

    // Paused, news waits; resumed, it is told.
    pipe.ReadAll();
    watch->SetEnabled(false);
    pipe.Write();
    watch->SetEnabled(true);
    ASSERT_TRUE(HandleEventsUntil([&] { return calls >= 5; }));

    watch.reset();
    const int ended = calls;
    pipe.Write();
    HandleEventsUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(calls, ended);
}
