#include "platform/runtime/Notice.h"

#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {

namespace {

constexpr auto kBurst = std::chrono::seconds(2);

}  // namespace

void Notice(std::string_view text) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::chrono::steady_clock::time_point> recent;
    std::string line = "vornal3: ";
    line.append(text);
    line.push_back('\n');
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        std::erase_if(recent, [now](const auto& entry) { return now - entry.second >= kBurst; });
        auto [where, fresh] = recent.try_emplace(line, now);
        where->second = now;
        if (!fresh) {
            return;
        }
    }
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t wrote = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (wrote <= 0) {
            return;
        }
        done += static_cast<std::size_t>(wrote);
    }
}

void Notice(const QString& text) {
    const QByteArray local = text.toLocal8Bit();
    Notice(std::string_view(local.constData(), static_cast<std::size_t>(local.size())));
}

}  // namespace platform
