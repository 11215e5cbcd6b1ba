#pragma once
// Waits for a file descriptor to become readable on a thread of its own, and then runs a
// function on the thread that made the watch. The windows' thread wakes every 10 ms for the
// capture timer, and each descriptor it waits on costs each of those wake-ups; the descriptors
// that are quiet almost always (the display connections of the clipboard, the socket later
// starts knock on, the pipe that signals arrive through) are waited on here instead, by one
// thread that sleeps until one of them has something to read.

#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace platform {

class ReadWatch {
  public:
    // From now on, `ready` runs on this thread's event loop whenever fd has something to read
    // (or has ended); `ready` handles its own failures. The descriptor is not looked at again until
    // `ready` has returned, so it runs once per batch of news and never queues up; a `ready` that
    // leaves news unread is called again. The descriptor stays the caller's, open for as long as
    // the watch lasts.
    ReadWatch(int fd, std::function<void()> ready);
    // After this returns, `ready` is not called again.
    ~ReadWatch();
    ReadWatch(const ReadWatch&) = delete;
    ReadWatch& operator=(const ReadWatch&) = delete;

    // A paused watch calls nothing until it is resumed (a broken connection, whose descriptor
    // stays readable for good, is paused for good).
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }

  private:
    void Fired();

    std::uint64_t id_;
    std::function<void()> ready_;
    bool enabled_ = true;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once the watch ends
    // Calls on their way to this thread are dropped with it.
    std::unique_ptr<QObject> context_;
};

}  // namespace platform
