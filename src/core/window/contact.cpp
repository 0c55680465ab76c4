#include "core/window/contact.h"

#include <cstdint>
#include <string_view>

#include "core/formats/text.h"
#include "version.h"

namespace trifolio {
namespace {

void appendByte(std::string& out, unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       c == '-' || c == '.' || c == '_';
    if (plain) {
        out += static_cast<char>(c);
    } else if (c == ' ') {
        out += '+';
    } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
}

// Length of the UTF-8 sequence that a byte begins (1 for a byte that begins none).
size_t declaredLength(unsigned char lead) {
    if (lead >= 0xC0 && lead < 0xE0)
        return 2;
    if (lead >= 0xE0 && lead < 0xF0)
        return 3;
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    return 1;
}

// The code point of one UTF-8 sequence; a stray or truncated one gives U+FFFD.
char32_t decode(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() != declaredLength(lead))
        return 0xFFFD;
    if (sequence.size() == 1)
        return lead < 0x80 ? lead : 0xFFFD;
    char32_t c = lead & (0x7F >> sequence.size());
    for (size_t k = 1; k < sequence.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(sequence[k]) & 0x3F);
    return c;
}

}  // namespace

std::string UrlEncode(const std::string& utf8text) {
    std::string out;
    out.reserve(utf8text.size() * 3);
    for (size_t i = 0; i < utf8text.size();) {
        // One character: its lead byte and the continuation bytes that follow it.
        const size_t expected = declaredLength(static_cast<unsigned char>(utf8text[i]));
        size_t length = 1;
        while (length < expected && i + length < utf8text.size() &&
               (static_cast<unsigned char>(utf8text[i + length]) & 0xC0) == 0x80)
            ++length;
        const std::string_view sequence(utf8text.data() + i, length);
        i += length;
        const std::string bytes = utf8ToCp1252(sequence);
        if (bytes.size() == 1 && (bytes != "?" || sequence == "?")) {
            appendByte(out, static_cast<unsigned char>(bytes[0]));
            continue;
        }
        // No Windows-1252 byte for it: "&#N;" in decimal.
        for (char c : "&#" + std::to_string(static_cast<std::uint32_t>(decode(sequence))) + ";")
            appendByte(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string TooLongText(std::size_t length) {
    return "Die Nachricht ist zu lang, um sie über den Browser zu senden: verschlüsselt sind es " +
           std::to_string(length) + " Zeichen, höchstens " + std::to_string(kUrlLimit) +
           " gehen (Umlaute und Sonderzeichen zählen mehrfach).\r\nBitte kürzen Sie die "
           "Nachricht. Es wurde nichts gesendet.";
}

std::string ContactRequest(const std::string& endpoint, const std::string& name,
                           const std::string& email, const std::string& homepage,
                           const std::string& message) {
    return endpoint + "/" TRIFOLIO_MAKER "/kontakt.php?name=" + UrlEncode(name) +
           "&email=" + UrlEncode(email) + "&homepage=" + UrlEncode(homepage) +
           "&nachricht=" + UrlEncode(TRIFOLIO_NAME " V" TRIFOLIO_VERSION_TEXT "\r\n" + message);
}

}  // namespace trifolio
