#include "core/hotkeys/keys.h"

#include <utility>

namespace trifolio {

std::uint32_t modifierFlags(std::string_view modifier) {
    if (modifier == "STRG")
        return 2;
    if (modifier == "ALT")
        return 1;
    if (modifier == "STRG+ALT")
        return 3;
    return 0;
}

std::uint32_t keyCode(std::string_view key) {
    if (key.size() == 1)
        return static_cast<unsigned char>(key[0]);
    // "F1" .. "F12": 111 plus the number after the first character (the empty text: 111).
    std::uint32_t number = 0;
    for (char c : key.substr(key.empty() ? 0 : 1, 2)) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return 111 + number;
}

bool isAssigned(std::string_view key) {
    return !key.empty() && keyCode(key) != kUnassignedKeyCode;
}

std::string combinationText(std::string_view modifier, std::string_view key) {
    std::string text(modifier);
    text += '+';
    text += key;
    return text;
}

Combination combinationOf(std::string_view modifier, std::string_view key) {
    if (!isAssigned(key))
        return {};
    return {modifierFlags(modifier), keyCode(key)};
}

std::string combinationText(const Combination& combination) {
    // Flags 0 to 3 in modifier texts.
    constexpr std::array<std::string_view, 4> kByFlags = {"-", "ALT", "STRG", "STRG+ALT"};
    std::string text(kByFlags[combination.modifiers & 3]);
    text += '+';
    if (combination.key > 111 && combination.key <= 123)
        text += 'F', text += std::to_string(combination.key - 111);
    else
        text += combination.assigned() ? static_cast<char>(combination.key) : '-';
    return text;
}

std::vector<std::string> keyListEntries(int store, bool fullList) {
    std::vector<std::string> entries;
    if (store == 3)
        entries.emplace_back("-");
    if (fullList) {
        for (char c = '0'; c <= '9'; ++c)
            entries.emplace_back(1, c);
        for (char c = 'A'; c <= 'Z'; ++c)
            entries.emplace_back(1, c);
    }
    for (int n = 1; n <= 12; ++n) {
        // Appended, not "F" + ...: GCC 12 at -O3 warns falsely (-Wrestrict) about the latter.
        std::string key = "F";
        key += std::to_string(n);
        entries.push_back(std::move(key));
    }
    return entries;
}

}  // namespace trifolio
