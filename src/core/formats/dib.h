// Packed device-independent bitmaps (CF_DIB, CF_DIBV5) as other programs put them into
// the clipboard: checked before any drawing code trusts their header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trifolio::dib {

// The largest picture a store takes: a side of 65536 pixels, and 64 Mi pixels in all
// (256 MiB as a 32-bit bitmap, which drawing and the CF_BITMAP form decode it into).
inline constexpr std::int64_t kMaxSide = 65536;
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

// Why a DIB was refused.
enum class Refusal {
    None,
    Truncated,    // shorter than its header
    HeaderSize,   // not a BITMAPINFOHEADER (40), BITMAPV4HEADER (108) or BITMAPV5HEADER (124)
    Planes,       // not 1
    BitCount,     // not 1, 4, 8, 16, 24 or 32
    Compression,  // not BI_RGB, BI_BITFIELDS (16/32 bit), BI_RLE8 (8 bit) or BI_RLE4 (4 bit)
    TopDownRle,   // run-length data must be bottom-up
    Size,         // a width or height of 0 or below, a side or pixel count beyond the limits
    ColourTable,  // more colours than the bit count can address, or the table runs past the end
    Masks,        // the bit-field masks run past the end
    Profile,      // an embedded or linked colour profile outside the data
    Pixels,       // fewer pixel bytes than rows x stride, or than the run-length size given
};

struct Layout {
    int width = 0;
    int height = 0;  // rows, whether stored bottom-up or top-down
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t bitsOffset = 0;  // from the start of the header to the first pixel byte
    std::size_t bitsSize = 0;    // pixel bytes the header promises
};

struct Checked {
    Refusal refusal = Refusal::None;
    Layout layout;  // valid only without a refusal
    explicit operator bool() const { return refusal == Refusal::None; }
};

// Checks the header, masks, colour table, profile and pixel data of a packed DIB
// against the `bytes` present, with overflow-checked arithmetic.
Checked check(std::string_view bytes);

// True when a picture of width x height pixels is within the limits above.
bool sizeAllowed(std::int64_t width, std::int64_t height);

}  // namespace trifolio::dib
