// The check of packed DIBs from the clipboard (what stays within the bytes is the fuzz
// target's): one lying header per reason, good ones give their layout.
#include "core/formats/dib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <tuple>

namespace trifolio::dib {
namespace {

// A header's fields (comp: compression, image: its size, colours: used) and bytes after it.
struct Header {
    std::uint32_t size = 40;
    std::int32_t w = 4, h = 3;
    std::uint16_t planes = 1, bits = 24;
    std::uint32_t comp = 0, image = 0, colours = 0;
    std::uint32_t colourSpace = 0, profileAt = 0, profileSize = 0;  // V5 only
    std::size_t after = 36;
    std::size_t cutTo = SIZE_MAX;  // the bytes end here when it is less

    std::string bytes() const {
        std::string out(size + after, '\0');
        auto put = [&out](std::size_t at, std::uint32_t value, int length) {
            for (int i = 0; i < length && at + static_cast<std::size_t>(i) < out.size(); ++i)
                out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        };
        put(0, size, 4), put(4, static_cast<std::uint32_t>(w), 4);
        put(8, static_cast<std::uint32_t>(h), 4), put(12, planes, 2), put(14, bits, 2);
        put(16, comp, 4), put(20, image, 4), put(32, colours, 4);
        if (size >= 124)
            put(56, colourSpace, 4), put(112, profileAt, 4), put(116, profileSize, 4);
        return out.substr(0, cutTo);
    }
};

constexpr std::uint32_t kRle8 = 1, kMasks = 3, kEmbedded = 0x4D424544;

// A V5 header that embeds a profile of `size` bytes at `at`, in 44 bytes after it.
Header embedding(std::uint32_t at, std::uint32_t size) {
    return {
        .size = 124, .colourSpace = kEmbedded, .profileAt = at, .profileSize = size, .after = 44};
}

TEST(Dib, LyingHeadersAreRefusedForTheirReasonAndGoodOnesGiveTheirLayout) {
    using enum Refusal;
    const struct {
        const char* name;
        Header header;
        std::tuple<int, int, std::size_t> accepted{};  // width, height, bits offset
        Refusal refusal = None;
    } cases[] = {
        {"24-bit", {}, {4, 3, 40}},
        {"8-bit, all colours", {.w = 5, .bits = 8, .after = 1048}, {5, 3, 1064}},
        {"1-bit, 2 colours", {.w = 33, .h = 1, .bits = 1, .colours = 2, .after = 16}, {33, 1, 48}},
        {"16-bit, masks after", {.w = 3, .bits = 16, .comp = kMasks, .after = 36}, {3, 3, 52}},
        {"V5", {.size = 124, .h = -2, .bits = 32, .comp = kMasks, .after = 32}, {4, 2, 124}},
        {"V5 embedding its profile", embedding(160, 8), {4, 3, 124}},
        {"RLE8", {.bits = 8, .comp = kRle8, .image = 6, .after = 1030}, {4, 3, 1064}},
        {"cut inside the header", {.size = 124, .cutTo = 100}, {}, Truncated},
        {"OS/2 header", {.size = 64}, {}, HeaderSize},
        {"two planes", {.planes = 2}, {}, Planes},
        // rows x stride is 2^64, which wrapped to 0 in a 64-bit product
        {"bit count 32768", {.w = 1 << 30, .h = 1 << 22, .bits = 32768}, {}, BitCount},
        {"JPEG", {.comp = 4}, {}, Compression},
        {"RLE8 at 4 bits", {.bits = 4, .comp = kRle8}, {}, Compression},
        {"height INT_MIN", {.h = INT_MIN}, {}, Size},
        {"pixel count beyond 2^26", {.w = 8193, .h = 8193}, {}, Size},
        {"top-down RLE", {.h = -3, .bits = 8, .comp = kRle8}, {}, TopDownRle},
        {"RLE without its size", {.bits = 8, .comp = kRle8, .after = 1030}, {}, Pixels},
        {"masks cut off", {.bits = 16, .comp = kMasks, .after = 8}, {}, Masks},
        {"300 colours at 8 bits", {.bits = 8, .colours = 300, .after = 1300}, {}, ColourTable},
        {"profile wrapping 32 bits", embedding(0xFFFFFFF0, 0x20), {}, Profile},
        {"a pixel byte short", {.after = 35}, {}, Pixels},
    };
    for (const auto& c : cases) {
        const Checked checked = check(c.header.bytes());
        const auto& l = checked.layout;
        EXPECT_EQ(checked.refusal, c.refusal) << c.name;
        EXPECT_EQ(checked ? std::tuple(l.width, l.height, l.bitsOffset) : c.accepted, c.accepted)
            << c.name;
    }
}

}  // namespace
}  // namespace trifolio::dib
