#include "platform/gdi/PictureBitmaps.h"

#include <set>

namespace platform::gdi {

namespace {
std::uint32_t nextHandle = 0x1000;
std::set<std::uint32_t> live;
}  // namespace

std::uint32_t RegisterPictureBitmap(int, int, const std::uint8_t*, int) {
    do {
        ++nextHandle;
    } while (nextHandle == 0 || live.count(nextHandle) != 0);
    live.insert(nextHandle);
    return nextHandle;
}

void UnregisterPictureBitmap(std::uint32_t handle) { live.erase(handle); }

}  // namespace platform::gdi
