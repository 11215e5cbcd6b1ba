#include "dib/NoiseFill.h"

#include <bit>
#include <chrono>
#include <ctime>
#include <vector>

#include "platform/runtime/Numeric.h"

namespace dib {

namespace {

std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint8_t Level(float r) {
    // The product stays single precision. Adding and taking away 2^23 rounds a float in
    // [0, 2^23) to an integer, halves to even, without a library call per byte.
    constexpr float kRounder = 8388608.0f;
    const float product = r * 255.0f;
    return static_cast<std::uint8_t>((product + kRounder) - kRounder);
}

float Draw(std::uint64_t& state) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    const std::uint64_t bits = state * 0x2545F4914F6CDD1DULL;
    // The top 24 bits fill a float's mantissa exactly: 0 <= r < 1.
    return static_cast<float>(bits >> 40) * 0x1.0p-24f;
}

}  // namespace

UniformNoise::UniformNoise(float seed) {
    std::uint64_t mix = std::bit_cast<std::uint32_t>(seed);
    for (std::uint64_t& state : state_) {
        state = SplitMix(mix);
        if (state == 0) {
            state = 0x2545F4914F6CDD1DULL;  // xorshift never leaves zero
        }
    }
}

float UniformNoise::Next() {
    const float r = Draw(state_[lane_]);
    lane_ = (lane_ + 1) & 3u;
    return r;
}

void UniformNoise::Levels(std::uint8_t* out, std::size_t count) {
    std::size_t i = 0;
    if (lane_ == 0) {
        for (; i + 4 <= count; i += 4) {
            out[i] = Level(Draw(state_[0]));
            out[i + 1] = Level(Draw(state_[1]));
            out[i + 2] = Level(Draw(state_[2]));
            out[i + 3] = Level(Draw(state_[3]));
        }
    }
    for (; i < count; ++i) {
        out[i] = Level(Next());
    }
}

float SecondsSinceMidnight() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t whole = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&whole, &local);
    const auto sinceWhole = now - std::chrono::system_clock::from_time_t(whole);
    const double fraction = std::chrono::duration<double>(sinceWhole).count();
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction);
}

void FillNoise(const PixelView& view, std::int32_t width, std::int32_t rows, bool gray,
               UniformNoise& noise) {
    const std::int32_t lastByte = platform::CheckedMul32(platform::CheckedAdd32(width, -1), 3);
    if (lastByte < 0) {
        return;
    }
    const std::int32_t rowBytes = platform::CheckedAdd32(lastByte, 3);
    const auto pixels = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> levels(gray ? pixels : 2 * pixels);
    // Filled row by row rather than column by column: the same noise, written in memory order.
    for (std::int32_t y = 0; y < rows; ++y) {
        std::uint8_t* p = view.Span(y, 0, rowBytes);
        noise.Levels(levels.data(), levels.size());
        for (std::size_t x = 0; x < pixels; ++x, p += 3) {
            if (gray) {
                p[0] = levels[x];
                p[1] = levels[x];
                p[2] = levels[x];
            } else {
                p[0] = 0;
                p[1] = levels[2 * x];
                p[2] = levels[2 * x + 1];
            }
        }
    }
}

}  // namespace dib
