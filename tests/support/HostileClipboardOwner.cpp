// A clipboard owner that misbehaves on demand, as any program on a desktop may: it sends
// more than it announced or without end, claims the clipboard hundreds of times a second,
// lists thousands of formats, takes the clipboard back the moment it is emptied, answers in
// shapes no reader expects, or never answers at all.
//
//   hostile_clipboard_owner --serve FILE [--type MIME] [options]
//
//   --incr                 send the picture in parts (INCR) of --part BYTES (default 65536)
//   --announce N           the size announced for the parts (default: the file's size)
//   --endless              after the file, send parts of zeros without end
//   --data-format BITS     send the picture as items of 8, 16 or 32 bits (default 8)
//   --claims-per-second N  take the clipboard anew N times a second, for --for SECONDS
//   --junk-targets N       list N made-up formats before the real ones
//   --targets-incr         send the list of formats in parts of 8 bytes
//   --targets-format BITS  send the list of formats as items of 8, 16 or 32 bits (default 32)
//   --no-targets           refuse to list the formats
//   --reclaim-with FILE    once the clipboard is emptied, take it back at once (told by XFixes)
//                          and serve FILE instead
//   --silent               let every request go unanswered
//
// Standard output gets "owner" once it owns the clipboard, "asked TARGET" for every request,
// "sent N" after every part with the picture's bytes sent so far in that transfer, "reclaimed"
// once it took the clipboard back, and "lost" when another program took the clipboard, after
// which it ends (but not while it storms, nor before it took the clipboard back).

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/OwnerConnection.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string file;
    std::string type = "image/png";
    bool incr = false;
    std::size_t part = 65536;
    long long announce = -1;
    bool endless = false;
    int dataFormat = 8;
    int claimsPerSecond = 0;
    double seconds = 0;
    int junkTargets = 0;
    bool targetsIncr = false;
    int targetsFormat = 32;
    bool noTargets = false;
    std::string reclaimWith;
    bool silent = false;
};

// A reply sent in parts: the next part goes when the requestor deletes the property.
struct Outgoing {
    std::vector<char> bytes;  // what to send (for the list of formats, and the picture)
    std::size_t sent = 0;
    bool endless = false;
    bool picture = false;
    xcb_atom_t type = XCB_NONE;
    int format = 8;
    std::size_t part = 65536;
    bool done = false;
};

xcb_connection_t* c = nullptr;
Options options;
std::vector<char> picture;
std::map<std::pair<xcb_window_t, xcb_atom_t>, Outgoing> outgoing;

bool Parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--serve") {
            options.file = value();
        } else if (arg == "--type") {
            options.type = value();
        } else if (arg == "--incr") {
            options.incr = true;
        } else if (arg == "--part") {
            options.part = std::strtoul(value(), nullptr, 10);
        } else if (arg == "--announce") {
            options.announce = std::strtoll(value(), nullptr, 10);
        } else if (arg == "--endless") {
            options.endless = true;
        } else if (arg == "--data-format") {
            options.dataFormat = std::atoi(value());
        } else if (arg == "--claims-per-second") {
            options.claimsPerSecond = std::atoi(value());
        } else if (arg == "--for") {
            options.seconds = std::atof(value());
        } else if (arg == "--junk-targets") {
            options.junkTargets = std::atoi(value());
        } else if (arg == "--targets-incr") {
            options.targetsIncr = true;
        } else if (arg == "--targets-format") {
            options.targetsFormat = std::atoi(value());
        } else if (arg == "--no-targets") {
            options.noTargets = true;
        } else if (arg == "--reclaim-with") {
            options.reclaimWith = value();
        } else if (arg == "--silent") {
            options.silent = true;
        } else {
            std::fprintf(stderr, "hostile_clipboard_owner: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    return !options.file.empty() && options.part > 0;
}

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::vector<char> bytes(static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0)));
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void Notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

void Put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const char* data,
         std::size_t bytes) {
    xcb_change_property(
        c, XCB_PROP_MODE_REPLACE, window, property, type, static_cast<std::uint8_t>(format),
        static_cast<std::uint32_t>(bytes / static_cast<std::size_t>(format / 8)), data);
}

// Sends the next part of a reply in parts, or its empty end.
void SendPart(xcb_window_t window, xcb_atom_t property, Outgoing& out) {
    const std::size_t left = out.sent < out.bytes.size() ? out.bytes.size() - out.sent : 0;
    std::size_t size = std::min(left, out.part);
    static const std::vector<char> zeros(1 << 20);
    const char* data = out.bytes.data() + out.sent;
    if (size == 0 && out.endless) {
        size = std::min(out.part, zeros.size());
        data = zeros.data();
    }
    size -= size % static_cast<std::size_t>(out.format / 8);
    Put(window, property, out.type, out.format, data, size);
    out.sent += size;
    out.done = size == 0;
    if (out.picture) {
        std::printf("sent %zu\n", out.sent);
        std::fflush(stdout);
    }
}

void Answer(const xcb_selection_request_event_t& request, xcb_atom_t targets, xcb_atom_t incr,
            xcb_atom_t pictureType, const std::vector<xcb_atom_t>& listed) {
    LogSelectionRequest(c, request);
    if (options.silent) {
        return;
    }
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    Outgoing out;
    if (request.target == targets && !options.noTargets) {
        const auto* first = reinterpret_cast<const char*>(listed.data());
        out.bytes.assign(first, first + listed.size() * sizeof(xcb_atom_t));
        out.type = XCB_ATOM_ATOM;
        out.format = options.targetsFormat;
        out.part = 8;
        if (!options.targetsIncr) {
            Put(request.requestor, property, out.type, out.format, out.bytes.data(),
                out.bytes.size());
            Notify(request, property);
            return;
        }
    } else if (request.target == pictureType) {
        out.bytes = picture;
        out.type = pictureType;
        out.format = options.dataFormat;
        out.part = options.part;
        out.endless = options.endless;
        out.picture = true;
        if (!options.incr) {
            Put(request.requestor, property, out.type, out.format, out.bytes.data(),
                out.bytes.size());
            Notify(request, property);
            std::printf("sent %zu\n", out.bytes.size());
            std::fflush(stdout);
            return;
        }
    } else {
        Notify(request, XCB_NONE);
        return;
    }
    // In parts: announce the size, then send each part once the last one was taken.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &events);
    const auto announced = static_cast<std::uint32_t>(
        out.picture && options.announce >= 0 ? options.announce : out.bytes.size());
    Put(request.requestor, property, incr, 32, reinterpret_cast<const char*>(&announced), 4);
    Notify(request, property);
    outgoing[{request.requestor, property}] = std::move(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (!Parse(argc, argv)) {
        std::fputs("usage: hostile_clipboard_owner --serve FILE [options]\n", stderr);
        return 2;
    }
    picture = ReadFile(options.file);
    const OwnerConnection connection = ConnectOwner("hostile_clipboard_owner");
    if (connection.c == nullptr) {
        return 1;
    }
    c = connection.c;
    const xcb_window_t window = connection.window;
    const xcb_atom_t clipboard = Intern(c, "CLIPBOARD");
    const xcb_atom_t targets = Intern(c, "TARGETS");
    const xcb_atom_t incr = Intern(c, "INCR");
    const xcb_atom_t pictureType = Intern(c, options.type.c_str());
    std::vector<xcb_atom_t> listed;
    {
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (int i = 0; i < options.junkTargets; ++i) {
            const std::string name = "x-vornal3-test/junk-" + std::to_string(i);
            cookies.push_back(
                xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()));
        }
        for (const auto& cookie : cookies) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
            listed.push_back(reply != nullptr ? reply->atom : XCB_NONE);
            std::free(reply);
        }
    }
    listed.push_back(targets);
    listed.push_back(pictureType);

    std::vector<char> reclaimWith;
    std::uint8_t ownerChanged = 0;
    if (!options.reclaimWith.empty()) {
        reclaimWith = ReadFile(options.reclaimWith);
        ownerChanged = WatchOwner(c, window, clipboard);
        if (ownerChanged == 0) {
            std::fputs("hostile_clipboard_owner: the display has no XFixes\n", stderr);
            return 1;
        }
    }

    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    if (owner == nullptr || owner->owner != window) {
        std::fputs("hostile_clipboard_owner: could not take the clipboard\n", stderr);
        return 1;
    }
    std::free(owner);
    std::puts("owner");
    std::fflush(stdout);

    const bool storm = options.claimsPerSecond > 0;
    const auto period = std::chrono::nanoseconds(storm ? 1'000'000'000LL / options.claimsPerSecond
                                                       : 1'000'000'000LL);
    const auto stormEnds =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(options.seconds * 1000));
    auto nextClaim = Clock::now() + period;
    long claims = 1;
    while (xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_SELECTION_REQUEST) {
                Answer(*reinterpret_cast<xcb_selection_request_event_t*>(event), targets, incr,
                       pictureType, listed);
            } else if (type == XCB_PROPERTY_NOTIFY) {
                const auto& notify = *reinterpret_cast<xcb_property_notify_event_t*>(event);
                const auto found = outgoing.find({notify.window, notify.atom});
                if (notify.state == XCB_PROPERTY_DELETE && found != outgoing.end()) {
                    SendPart(notify.window, notify.atom, found->second);
                    if (found->second.done) {
                        outgoing.erase(found);
                    }
                }
            } else if (type == ownerChanged && ownerChanged != 0 && NewOwner(*event) == XCB_NONE) {
                // Emptied: taken back before anything else can happen.
                picture.swap(reclaimWith);
                xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
                xcb_flush(c);
                ownerChanged = 0;
                std::puts("reclaimed");
                std::fflush(stdout);
            } else if (type == XCB_SELECTION_CLEAR && !storm && ownerChanged == 0) {
                std::puts("lost");
                std::fflush(stdout);
                std::free(event);
                return 0;
            }
            std::free(event);
        }
        xcb_flush(c);
        if (storm) {
            if (Clock::now() >= stormEnds) {
                std::printf("claimed %ld times\n", claims);
                std::fflush(stdout);
                return 0;
            }
            if (Clock::now() >= nextClaim) {
                xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
                xcb_flush(c);
                ++claims;
                nextClaim += period;
                continue;
            }
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            storm ? nextClaim - Clock::now() : std::chrono::milliseconds(1000));
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(std::max<long long>(wait.count(), 0)));
    }
    return 0;
}
