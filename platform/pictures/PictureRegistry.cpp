#include "platform/pictures/PictureRegistry.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

class Registry {
  public:
    std::uint32_t Add(const PicturePixels& pixels) {
        const std::lock_guard lock(mutex_);
        // Handles only grow; after a wrap-around, ones still in use are skipped, never reused.
        do {
            next_ = next_ == UINT32_MAX ? kFirstPictureHandle : next_ + 1;
        } while (pictures_.count(next_) != 0);
        pictures_.emplace(next_, pixels);
        return next_;
    }

    bool Remove(std::uint32_t handle) {
        const std::lock_guard lock(mutex_);
        return pictures_.erase(handle) != 0;
    }

    std::optional<PicturePixels> Find(std::uint32_t handle) {
        const std::lock_guard lock(mutex_);
        const auto it = pictures_.find(handle);
        return it == pictures_.end() ? std::nullopt : std::optional(it->second);
    }

    int Count() {
        const std::lock_guard lock(mutex_);
        return static_cast<int>(pictures_.size());
    }

    std::atomic<PictureGoneListener> listener{nullptr};

  private:
    std::mutex mutex_;
    std::unordered_map<std::uint32_t, PicturePixels> pictures_;
    std::uint32_t next_ = kFirstPictureHandle - 1;
};

Registry& Pictures() {
    // Never destroyed: pictures held in static objects leave it during static destruction.
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

std::uint32_t RegisterPicture(const PicturePixels& pixels) {
    return Pictures().Add(pixels);
}

void UnregisterPicture(std::uint32_t handle) {
    // Told outside the registry's lock: the listener may well look pictures up.
    if (Pictures().Remove(handle)) {
        if (const PictureGoneListener listener = Pictures().listener.load()) {
            listener(handle);
        }
    }
}

std::optional<PicturePixels> FindPicture(std::uint32_t handle) {
    return Pictures().Find(handle);
}

int LivePictureCount() {
    return Pictures().Count();
}

void SetPictureGoneListener(PictureGoneListener listener) {
    Pictures().listener.store(listener);
}

}  // namespace platform
