// The check of packed DIBs from the clipboard: lying headers are refused for their
// reason, good ones give their layout.
#include "platform/dib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace trifolio::dib {
namespace {

// The fields of a header, and how many bytes follow it (masks, colours, pixels).
struct Header {
    std::uint32_t size = 40;
    std::int32_t width = 4, height = 3;
    std::uint16_t planes = 1, bitCount = 24;
    std::uint32_t compression = 0, imageSize = 0, coloursUsed = 0;
    std::uint32_t colourSpace = 0, profileAt = 0, profileSize = 0;  // V5 only
    std::size_t following = 36;
    std::size_t cutTo = SIZE_MAX;  // the bytes end here when it is less

    std::string bytes() const {
        std::string out(size + following, '\0');
        auto put = [&out](std::size_t at, std::uint32_t value, int length) {
            for (int i = 0; i < length && at + static_cast<std::size_t>(i) < out.size(); ++i)
                out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        };
        put(0, size, 4), put(4, static_cast<std::uint32_t>(width), 4);
        put(8, static_cast<std::uint32_t>(height), 4), put(12, planes, 2), put(14, bitCount, 2);
        put(16, compression, 4), put(20, imageSize, 4), put(32, coloursUsed, 4);
        if (size >= 124)
            put(56, colourSpace, 4), put(112, profileAt, 4), put(116, profileSize, 4);
        return out.substr(0, cutTo);
    }
};

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3, kEmbedded = 0x4D424544;

// A V5 header that embeds a profile of `size` bytes at `at`, in 44 bytes after it.
Header embedding(std::uint32_t at, std::uint32_t size) {
    Header h{.size = 124, .following = 44};
    h.colourSpace = kEmbedded, h.profileAt = at, h.profileSize = size;
    return h;
}

TEST(Dib, LyingHeadersAreRefusedForTheirReasonAndGoodOnesGiveTheirLayout) {
    const struct {
        const char* name;
        Header header;
        Refusal refusal;
        struct {
            int width = 0, height = 0;
            std::size_t bitsOffset = 0;
        } accepted{};
    } cases[] = {
        {"24-bit", {}, Refusal::None, {4, 3, 40}},
        {"8-bit, full colour table",
         {.width = 5, .bitCount = 8, .following = 1024 + 24},
         Refusal::None,
         {5, 3, 1064}},
        {"1-bit, two colours",
         {.width = 33, .height = 1, .bitCount = 1, .coloursUsed = 2, .following = 8 + 8},
         Refusal::None,
         {33, 1, 48}},
        {"16-bit masks after the header",
         {.width = 3, .bitCount = 16, .compression = kBitFields, .following = 12 + 24},
         Refusal::None,
         {3, 3, 52}},
        {"32-bit V5 top-down, masks inside",
         {.size = 124, .height = -2, .bitCount = 32, .compression = kBitFields, .following = 32},
         Refusal::None,
         {4, 2, 124}},
        {"V5 embedding its profile", embedding(160, 8), Refusal::None, {4, 3, 124}},
        {"RLE8",
         {.bitCount = 8, .compression = kRle8, .imageSize = 6, .following = 1024 + 6},
         Refusal::None,
         {4, 3, 1064}},
        {"RLE4",
         {.bitCount = 4, .compression = kRle4, .imageSize = 2, .following = 64 + 2},
         Refusal::None,
         {4, 3, 104}},

        {"cut inside the header", {.size = 124, .cutTo = 100}, Refusal::Truncated},
        {"OS/2 header", {.size = 64}, Refusal::HeaderSize},
        {"two planes", {.planes = 2}, Refusal::Planes},
        // rows x stride is 2^64, which wrapped to 0 in a 64-bit product
        {"bit count 32768",
         {.width = 1 << 30, .height = 1 << 22, .bitCount = 32768},
         Refusal::BitCount},
        {"bit count 2", {.bitCount = 2}, Refusal::BitCount},
        {"JPEG", {.compression = 4}, Refusal::Compression},
        {"24-bit bit fields", {.compression = kBitFields}, Refusal::Compression},
        {"RLE8 at 4 bits", {.bitCount = 4, .compression = kRle8}, Refusal::Compression},
        {"height INT_MIN", {.height = INT_MIN}, Refusal::Size},
        {"width 0", {.width = 0}, Refusal::Size},
        {"side beyond 65536", {.width = 65537, .height = 1}, Refusal::Size},
        {"pixel count beyond 2^26", {.width = 8193, .height = 8193}, Refusal::Size},
        {"top-down RLE",
         {.height = -3, .bitCount = 8, .compression = kRle8, .imageSize = 6, .following = 1030},
         Refusal::TopDownRle},
        {"RLE without its size",
         {.bitCount = 8, .compression = kRle8, .following = 1030},
         Refusal::Pixels},
        {"RLE shorter than its size",
         {.bitCount = 8, .compression = kRle8, .imageSize = 4000, .following = 1030},
         Refusal::Pixels},
        {"masks cut off",
         {.bitCount = 16, .compression = kBitFields, .following = 8},
         Refusal::Masks},
        {"300 colours at 8 bits",
         {.bitCount = 8, .coloursUsed = 300, .following = 1300},
         Refusal::ColourTable},
        {"colour table cut off", {.bitCount = 8, .following = 100}, Refusal::ColourTable},
        {"profile past the end", embedding(150, 20), Refusal::Profile},
        {"profile wrapping 32 bits", embedding(0xFFFFFFF0, 0x20), Refusal::Profile},
        {"a pixel byte short", {.following = 35}, Refusal::Pixels},
        {"large, with a few bytes",
         {.width = 65536, .height = 1024, .bitCount = 32},
         Refusal::Pixels},
    };
    for (const auto& c : cases) {
        const Checked checked = check(c.header.bytes());
        EXPECT_EQ(checked.refusal, c.refusal) << c.name;
        if (checked && c.refusal == Refusal::None) {
            EXPECT_EQ(checked.layout.width, c.accepted.width) << c.name;
            EXPECT_EQ(checked.layout.height, c.accepted.height) << c.name;
            EXPECT_EQ(checked.layout.bitsOffset, c.accepted.bitsOffset) << c.name;
        }
    }
    EXPECT_EQ(check(std::string_view("\x28\0\0", 3)).refusal, Refusal::Truncated);
}

}  // namespace
}  // namespace trifolio::dib
