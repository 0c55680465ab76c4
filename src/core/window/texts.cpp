#include "core/window/texts.h"

#include "core/formats/text.h"

namespace trifolio {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool validUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        char32_t minimum = 0;
        char32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c < 0xE0) {
            length = 2, minimum = 0x80, code = c & 0x1F;
        } else if (c >= 0xE0 && c < 0xF0) {
            length = 3, minimum = 0x800, code = c & 0x0F;
        } else if (c >= 0xF0 && c < 0xF5) {
            length = 4, minimum = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (!isContinuation(next))
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            return false;
        i += length;
    }
    return true;
}

// "31457280" as "31.457.280".
std::string groupedNumber(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, '.');
    return digits;
}

}  // namespace

std::string decodeTextFile(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        bytes.remove_prefix(kUtf8Bom.size());
    else if (!validUtf8(bytes))
        return cp1252ToUtf8(bytes);
    // Text after a byte order mark is taken as UTF-8 even where it is damaged.
    return std::string(bytes);
}

std::string helpText(platform::Files& files, const std::string& path, std::size_t limit) {
    std::string error;
    auto bytes = files.read(path, error, limit + 1);
    if (!bytes)
        return kHelpLoadFailed;
    const bool cut = bytes->size() > limit;
    if (cut) {
        std::size_t end = limit > 0 ? bytes->find_last_of("\r\n", limit - 1) : std::string::npos;
        if (end == std::string::npos)
            for (end = limit; end > 0 && isContinuation(static_cast<unsigned char>((*bytes)[end]));)
                --end;
        else
            ++end;
        bytes->resize(end);
    }
    const std::string text = decodeTextFile(*bytes);
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 128);
    std::size_t characters = 0;  // on the current line
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            characters = 0;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        const bool starts = !isContinuation(static_cast<unsigned char>(c));
        if (starts && characters == kHelpLineChars) {
            out += "\r\n";
            characters = 0;
        }
        characters += starts;
        // A NUL would end the box's text; control characters, which the box draws only
        // after a slow search for a glyph, show as a middle dot.
        const bool control = (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
        out += control ? std::string_view("\xC2\xB7") : std::string_view(&c, 1);
    }
    if (characters > 0)
        out += "\r\n";
    if (cut)
        out.append(kHelpCutNote).append("\r\n");
    return out;
}

std::string previewText(std::string_view text, std::size_t length, std::size_t limit) {
    std::string_view shown = text;
    if (text.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && isContinuation(static_cast<unsigned char>(text[cut])))
            --cut;
        // Prefer ending on a whole line when one ends in the last quarter.
        const std::size_t lineEnd = cut > 0 ? text.rfind('\n', cut - 1) : std::string_view::npos;
        if (lineEnd != std::string_view::npos && lineEnd >= limit - limit / 4)
            cut = lineEnd + 1;
        shown = text.substr(0, cut);
    }
    std::string out;
    out.reserve(shown.size() + shown.size() / 32 + 64);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char c = shown[i];
        if (c == '\n' && (i == 0 || shown[i - 1] != '\r'))
            out += '\r';
        out += c;
        if (c == '\r' && (i + 1 == shown.size() || shown[i + 1] != '\n'))
            out += '\n';
    }
    if (characterCount(shown) < length) {
        if (!out.empty() && out.back() != '\n')
            out += "\r\n";
        out += "[… gekürzt angezeigt; die Ablage hält den ganzen Text: " + groupedNumber(length) +
               " Zeichen]";
    }
    return out;
}

}  // namespace trifolio
