#pragma once
// Which of the compositor's data control protocols to bind, from the globals its registry
// advertises. Data control lets a client see and set the selection without the keyboard
// focus. The common protocol (ext) is preferred; the wlroots one (zwlr) is bound at the
// highest version this program knows, 2. Its version 1 already has all this program uses (the
// selection's offers and their MIME types, receiving one, setting the selection to none);
// version 2 adds only the primary selection, which is not read, so version 1 is used too.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::Clipboard {

struct AdvertisedGlobal {
    std::uint32_t name = 0;
    std::string interface;
    std::uint32_t version = 0;
};

struct DataControlBinding {
    enum class Protocol { None, Ext, Wlr };
    Protocol protocol = Protocol::None;
    std::uint32_t name = 0;     // the registry's name of the manager
    std::uint32_t version = 0;  // the version to bind
    std::uint32_t seat = 0;     // the registry's name of the seat whose selection is read
    std::uint32_t seatVersion = 0;
};

// The manager to bind and the seat (the first advertised) it is bound for; Protocol::None
// when the compositor offers no data control or no seat.
DataControlBinding ChooseDataControl(const std::vector<AdvertisedGlobal>& globals);

}  // namespace platform::Clipboard
