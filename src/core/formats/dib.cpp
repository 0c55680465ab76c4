#include "core/formats/dib.h"

#include <climits>
#include <optional>

namespace trifolio::dib {
namespace {

constexpr std::uint32_t kInfoHeader = 40, kV4Header = 108, kV5Header = 124;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

// A little-endian field of `bytes`, which the caller has checked to be long enough.
std::uint32_t u32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}
std::uint16_t u16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// a + b, nullopt when the sum passes `limit`; a and b are at most `limit` each.
std::optional<std::size_t> sumWithin(std::size_t a, std::size_t b, std::size_t limit) {
    if (a > limit || b > limit - a)
        return std::nullopt;
    return a + b;
}
// a x b, nullopt when the product passes `limit`.
std::optional<std::size_t> productWithin(std::size_t a, std::size_t b, std::size_t limit) {
    if (a != 0 && b > limit / a)
        return std::nullopt;
    return a * b;
}

bool allowedCompression(std::uint32_t compression, int bitCount) {
    switch (compression) {
        case kRgb:
            return true;
        case kBitFields:
            return bitCount == 16 || bitCount == 32;
        case kRle8:
            return bitCount == 8;
        case kRle4:
            return bitCount == 4;
        default:
            return false;
    }
}

}  // namespace

bool sizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

Checked check(std::string_view bytes) {
    Checked result;
    auto refuse = [&result](Refusal why) {
        result.refusal = why;
        return result;
    };
    const std::size_t size = bytes.size();
    if (size < 4)
        return refuse(Refusal::Truncated);
    const std::uint32_t headerSize = u32(bytes, 0);
    if (headerSize != kInfoHeader && headerSize != kV4Header && headerSize != kV5Header)
        return refuse(Refusal::HeaderSize);
    if (headerSize > size)
        return refuse(Refusal::Truncated);

    const auto width = static_cast<std::int32_t>(u32(bytes, 4));
    const auto height = static_cast<std::int32_t>(u32(bytes, 8));
    const int bitCount = u16(bytes, 14);
    const std::uint32_t compression = u32(bytes, 16);
    const std::uint32_t imageSize = u32(bytes, 20);
    const std::uint32_t coloursUsed = u32(bytes, 32);
    if (u16(bytes, 12) != 1)
        return refuse(Refusal::Planes);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return refuse(Refusal::BitCount);
    if (!allowedCompression(compression, bitCount))
        return refuse(Refusal::Compression);
    // INT_MIN has no positive counterpart; it is refused before anything negates it.
    if (height == INT_MIN || !sizeAllowed(width, height < 0 ? -std::int64_t{height} : height))
        return refuse(Refusal::Size);
    const bool rle = compression == kRle8 || compression == kRle4;
    if (rle && height < 0)
        return refuse(Refusal::TopDownRle);

    // A plain info header is followed by the three colour masks of a bit-field DIB; the
    // V4 and V5 headers hold them inside.
    std::size_t offset = headerSize;
    if (compression == kBitFields && headerSize == kInfoHeader) {
        offset += 12;
        if (offset > size)
            return refuse(Refusal::Masks);
    }
    const std::size_t addressable = bitCount <= 8 ? std::size_t{1} << bitCount : 256;
    const std::size_t colours = coloursUsed == 0 && bitCount <= 8 ? addressable : coloursUsed;
    if (colours > addressable)
        return refuse(Refusal::ColourTable);
    const auto bitsOffset = sumWithin(offset, colours * 4, size);
    if (!bitsOffset)
        return refuse(Refusal::ColourTable);

    if (headerSize == kV5Header) {
        const std::uint32_t colourSpace = u32(bytes, 56);
        if (colourSpace == kProfileLinked || colourSpace == kProfileEmbedded) {
            const std::uint32_t profileSize = u32(bytes, 116);
            if (profileSize == 0 || !sumWithin(u32(bytes, 112), profileSize, size))
                return refuse(Refusal::Profile);
        }
    }

    std::optional<std::size_t> bitsSize;
    if (rle) {
        // The run-length decoder trusts the size the header gives.
        if (imageSize != 0)
            bitsSize = imageSize;
    } else {
        const std::size_t stride =
            (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
        bitsSize =
            productWithin(stride, static_cast<std::size_t>(height < 0 ? -height : height), size);
    }
    if (!bitsSize || !sumWithin(*bitsOffset, *bitsSize, size))
        return refuse(Refusal::Pixels);

    result.layout = {
        width,    height < 0 ? -height : height, height < 0, bitCount, compression, *bitsOffset,
        *bitsSize};
    return result;
}

}  // namespace trifolio::dib
