// libFuzzer target: any bytes as a packed DIB. What dib::check accepts lies within the
// bytes and the limits, down to its last pixel byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/formats/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past them.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto checked = trifolio::dib::check(bytes);
    if (!checked)
        return 0;
    const auto& layout = checked.layout;
    if (layout.bitsOffset < 40 || layout.bitsOffset > size || layout.bitsSize == 0 ||
        layout.bitsSize > size - layout.bitsOffset ||
        !trifolio::dib::sizeAllowed(layout.width, layout.height))
        std::abort();
    volatile char last = bytes[layout.bitsOffset + layout.bitsSize - 1];
    (void)last;
    return 0;
}
