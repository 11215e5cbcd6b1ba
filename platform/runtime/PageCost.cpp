#include "platform/runtime/PageCost.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace platform {

namespace {

constexpr std::size_t kPages = 128;
constexpr int kRounds = 3;

double Measure() {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    double best = -1;
    for (int round = 0; round < kRounds; ++round) {
        void* mapped = mmap(nullptr, kPages * page, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            break;
        }
        // Small pages only: the cost asked for is that of a page the system must find alone.
        madvise(mapped, kPages * page, MADV_NOHUGEPAGE);
        auto* bytes = static_cast<volatile std::uint8_t*>(mapped);
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < kPages; ++i) {
            bytes[i * page] = 1;
        }
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        munmap(mapped, kPages * page);
        // The least of a few rounds: another program's turn on the processor is no cost of
        // the memory's.
        const double perPage = took.count() / static_cast<double>(kPages);
        best = best < 0 ? perPage : std::min(best, perPage);
    }
    return std::max(best, 0.0);
}

}  // namespace

double FreshPageMicroseconds() {
    static const double cost = [] {
        // Set, it stands for the measure: the program then chooses as it would on a machine
        // of that cost (the tests pin it so).
        if (const char* given = std::getenv("VORNAL3_FRESH_PAGE_US"); given != nullptr) {
            char* end = nullptr;
            const double value = std::strtod(given, &end);
            if (end != given && *end == '\0' && value >= 0) {
                return value;
            }
        }
        return Measure();
    }();
    return cost;
}

void AdviseHugePages(void* block, std::size_t bytes) {
    // The advice applies to whole huge pages inside the block; a failure only leaves the
    // block as it was.
    static_cast<void>(madvise(block, bytes, MADV_HUGEPAGE));
}

}  // namespace platform
