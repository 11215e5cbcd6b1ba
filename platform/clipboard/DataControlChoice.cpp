#include "platform/clipboard/DataControlChoice.h"

#include <algorithm>

namespace platform::Clipboard {

namespace {

constexpr std::uint32_t kExtVersion = 1;
constexpr std::uint32_t kWlrVersion = 2;
// The seat is only named in the request for its data device.
constexpr std::uint32_t kSeatVersion = 1;

}  // namespace

DataControlBinding ChooseDataControl(const std::vector<AdvertisedGlobal>& globals) {
    DataControlBinding ext;
    DataControlBinding wlr;
    const AdvertisedGlobal* seat = nullptr;
    for (const AdvertisedGlobal& global : globals) {
        if (global.version == 0) {
            continue;
        }
        if (global.interface == "ext_data_control_manager_v1" &&
            ext.protocol == DataControlBinding::Protocol::None) {
            ext = {DataControlBinding::Protocol::Ext, global.name,
                   std::min(global.version, kExtVersion)};
        } else if (global.interface == "zwlr_data_control_manager_v1" &&
                   wlr.protocol == DataControlBinding::Protocol::None) {
            wlr = {DataControlBinding::Protocol::Wlr, global.name,
                   std::min(global.version, kWlrVersion)};
        } else if (global.interface == "wl_seat" && seat == nullptr) {
            seat = &global;
        }
    }
    DataControlBinding chosen = ext.protocol != DataControlBinding::Protocol::None ? ext : wlr;
    if (seat == nullptr || chosen.protocol == DataControlBinding::Protocol::None) {
        return {};
    }
    chosen.seat = seat->name;
    chosen.seatVersion = std::min(seat->version, kSeatVersion);
    return chosen;
}

}  // namespace platform::Clipboard
