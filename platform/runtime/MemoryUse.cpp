#include "platform/runtime/MemoryUse.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc
#include <fstream>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

std::int64_t MemoryAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::int64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") {
            return kilobytes * 1024;
        }
    }
    return INT64_MAX;  // nothing known: let the allocations themselves decide
}

void KeepLargeBlocksInTheirOwnMappings() {
#if defined(__GLIBC__)
    // The C library raises its threshold for a mapping of its own each time it frees one, up to
    // 32 MiB; from then on every picture comes from the heap, whose freed middle it keeps. A
    // fixed threshold keeps every block of 256 KiB and more (a picture of 256 x 256 pixels) in
    // a mapping that goes back to the system when freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace platform
