#pragma once
// What the first bytes of a picture file tell about the whole file before the rest of it has
// arrived: the picture's size in pixels, and so the most bytes a file of that picture can
// take. Read for the formats a clipboard owner sends whole pictures in: PNG, BMP and the
// binary portable maps (P4, P5, P6).

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Room for what a file may carry besides its pixels (colour profiles, text, palettes).
constexpr std::int64_t kHeaderAllowance = std::int64_t{16} << 20;

struct PictureHeader {
    enum class State {
        Incomplete,  // more bytes are needed to tell
        Read,        // a header of a known kind: the fields below hold
        Unknown,     // no header of a kind read here (another format, or not a picture)
        Damaged,     // a header of a known kind that no picture can have; `problem` says why
    };
    State state = State::Incomplete;
    const char* kind = "";  // "PNG", "BMP" or "PNM"
    std::int64_t width = 0;
    std::int64_t height = 0;
    // The largest file a picture of this header can be, or -1 where its size cannot be told
    // from the header (compressions the header does not bound).
    std::int64_t mostBytes = -1;
    std::string problem;
};

// Reads the header at the start of the bytes received so far (`size` of them).
PictureHeader ReadPictureHeader(const char* data, std::size_t size);

}  // namespace platform
