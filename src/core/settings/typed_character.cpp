#include "core/settings/typed_character.h"

#include "core/hotkeys/keys.h"

namespace trifolio {

namespace {

// Text that shows as something: not empty, and no control character (below 32 or 127).
bool printable(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

}  // namespace

std::optional<TypedCharacter> typedCharacter(platform::KeyboardLayouts& layouts,
                                             std::string_view modifier, std::string_view key) {
    const std::uint32_t flags = modifierFlags(modifier);
    if (flags == 0 || !isAssigned(key))
        return std::nullopt;
    const bool alt = (flags & 1) != 0;
    const bool control = (flags & 2) != 0;
    for (auto& typed : layouts.typedBy(keyCode(key), control, alt))
        if (printable(typed.text))
            return TypedCharacter{std::move(typed.text), std::move(typed.layout)};
    return std::nullopt;
}

std::string typedCharacterWarning(std::string_view combination, const TypedCharacter& typed) {
    return "Die Kombination '" + std::string(combination) + "' tippt auf der Tastatur '" +
           typed.layout + "' das Zeichen '" + typed.character + "'. Solange sie belegt ist, " +
           "lässt sich '" + typed.character + "' in keinem Programm eingeben.";
}

std::string typedCharacterItem(std::string_view combination, const TypedCharacter& typed) {
    return std::string(combination) + ": '" + typed.character + "' (Tastatur '" + typed.layout +
           "')";
}

}  // namespace trifolio
