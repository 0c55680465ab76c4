// Hotkeys that take a character away: on many keyboard layouts Ctrl+Alt is AltGr, and
// STRG+ALT+Q types "@" on a German keyboard. A hotkey on such a combination swallows the
// character in every application while the program runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace trifolio {

struct TypedCharacter {
    std::string character;  // UTF-8
    std::string layout;     // the first installed layout that types it
};

// The printable character that the combination (modifier text, key text) types on one of
// the installed layouts, first layout first; none for a combination without modifier, an
// unassigned one, or one that gives only control characters (Ctrl+C is no character).
std::optional<TypedCharacter> typedCharacter(platform::KeyboardLayouts& layouts,
                                             std::string_view modifier, std::string_view key);

// What the "Achtung!" boxes say of it: "Die Kombination 'STRG+ALT+Q' tippt auf der
// Tastatur 'Deutsch' das Zeichen '@'. Solange sie belegt ist, lässt sich '@' in keinem
// Programm eingeben."
std::string typedCharacterWarning(std::string_view combination, const TypedCharacter& typed);
// One line of the start-up notice: "STRG+ALT+V: '@' (Tastatur 'Tschechisch')".
std::string typedCharacterItem(std::string_view combination, const TypedCharacter& typed);

}  // namespace trifolio
