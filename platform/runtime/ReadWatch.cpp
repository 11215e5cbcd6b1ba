#include "platform/runtime/ReadWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QObject>
#include <cerrno>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace platform {

namespace {

// The one thread that waits on every watched descriptor.
class Watcher {
  public:
    static Watcher& Instance() {
        static Watcher watcher;
        return watcher;
    }

    // `fired` runs on the watching thread, under the watcher's lock, when fd is readable.
    std::uint64_t Add(int fd, std::function<void()> fired) {
        const std::lock_guard lock(mutex_);
        const std::uint64_t id = ++lastId_;
        entries_.emplace(id, Entry{fd, true, std::move(fired)});
        Wake();
        return id;
    }

    void Remove(std::uint64_t id) {
        const std::lock_guard lock(mutex_);
        entries_.erase(id);
        Wake();
    }

    void Arm(std::uint64_t id, bool armed) {
        const std::lock_guard lock(mutex_);
        const auto entry = entries_.find(id);
        if (entry != entries_.end() && entry->second.armed != armed) {
            entry->second.armed = armed;
            Wake();
        }
    }

    ~Watcher() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            Wake();
        }
        thread_.join();
        ::close(wake_);
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

  private:
    struct Entry {
        int fd;
        bool armed;
        std::function<void()> fired;
    };

    Watcher() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (wake_ < 0) {
            throw std::runtime_error("no descriptor left to watch the clipboard and signals with");
        }
        thread_ = std::thread([this] { Run(); });
    }

    void Wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    }

    void Run() {
        std::vector<pollfd> fds;
        std::vector<std::uint64_t> ids;
        while (true) {
            fds.assign(1, pollfd{wake_, POLLIN, 0});
            ids.assign(1, 0);
            {
                const std::lock_guard lock(mutex_);
                if (stop_) {
                    return;
                }
                for (const auto& [id, entry] : entries_) {
                    if (entry.armed) {
                        fds.push_back(pollfd{entry.fd, POLLIN, 0});
                        ids.push_back(id);
                    }
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;  // nothing left to wait with (out of memory): the watches go quiet
            }
            if (fds[0].revents != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
            }
            const std::lock_guard lock(mutex_);
            for (std::size_t i = 1; i < fds.size(); ++i) {
                const auto entry = entries_.find(ids[i]);
                if (fds[i].revents == 0 || entry == entries_.end() || !entry->second.armed) {
                    continue;
                }
                entry->second.armed = false;
                if ((fds[i].revents & POLLNVAL) == 0) {  // a closed descriptor says nothing more
                    entry->second.fired();
                }
            }
        }
    }

    std::mutex mutex_;
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t lastId_ = 0;
    bool stop_ = false;
    const int wake_;
    std::thread thread_;
};

}  // namespace

ReadWatch::ReadWatch(int fd, std::function<void()> ready)
    : ready_(std::move(ready)), context_(std::make_unique<QObject>()) {
    QObject* const context = context_.get();
    id_ = Watcher::Instance().Add(fd, [this, context] {
        // Posted to this thread; dropped if the watch ends first, as its context goes with it.
        QMetaObject::invokeMethod(
            context, [this] { Fired(); }, Qt::QueuedConnection);
    });
}

ReadWatch::~ReadWatch() {
    *alive_ = false;
    Watcher::Instance().Remove(id_);
}

void ReadWatch::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Watcher::Instance().Arm(id_, enabled);
}

void ReadWatch::Fired() {
    if (!enabled_) {
        return;  // armed again when resumed
    }
    const std::shared_ptr<bool> alive = alive_;
    ready_();
    if (*alive && enabled_) {
        Watcher::Instance().Arm(id_, true);
    }
}

}  // namespace platform
