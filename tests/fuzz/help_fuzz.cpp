// libFuzzer target: any bytes as "readme.txt", shown with a limit from the first byte.
// The help text holds no NUL and no line end but CR LF, and no line is longer than
// kHelpLineChars characters.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../support/memory_files.h"
#include "core/window/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    trifolio::fakes::MemoryFiles file;
    file.files["readme.txt"].assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string text = trifolio::helpText(file, "readme.txt", data[0] * 16u);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) ||
            (c == '\n' && (i == 0 || text[i - 1] != '\r')))
            std::abort();
        if (c == '\r' || c == '\n')
            characters = 0;
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 &&
                 ++characters > trifolio::kHelpLineChars)
            std::abort();
    }
    return 0;
}
