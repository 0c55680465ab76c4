// The vocabulary of key combinations: the texts in which the six hotkeys are chosen,
// stored and compared, the typed combinations under which they are registered, and the
// translation between the two.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trifolio {

// The six assignments in their fixed order.
enum Assignment { Cut2, Copy2, Paste2, Cut3, Copy3, Paste3 };
inline constexpr int kAssignmentCount = 6;

// "Cut2" ... "Paste3": also the names of the global atoms that identify the hotkeys.
inline constexpr std::array<std::string_view, kAssignmentCount> kAssignmentNames = {
    "Cut2", "Copy2", "Paste2", "Cut3", "Copy3", "Paste3"};

inline constexpr std::array<std::string_view, 4> kModifierTexts = {"-", "STRG", "ALT", "STRG+ALT"};

// The key "-": no hotkey for this assignment (store 3 only).
inline constexpr std::uint32_t kUnassignedKeyCode = 45;

// Modifier flags as the system takes them with a hotkey.
using Modifiers = std::uint32_t;
inline constexpr Modifiers kAltFlag = 1;
inline constexpr Modifiers kControlFlag = 2;

// A hotkey: modifier flags and a virtual-key code; key 0 is no hotkey.
struct Combination {
    Modifiers modifiers = 0;
    std::uint32_t key = 0;
    bool assigned() const { return key != 0; }
    friend bool operator==(const Combination&, const Combination&) = default;
};
// Cut2 ... Paste3.
using Assignments = std::array<Combination, kAssignmentCount>;

// Puts assignments into effect (the hotkey engine).
class HotkeyRegistration {
  public:
    virtual ~HotkeyRegistration() = default;
    virtual void unregisterHotkeys() = 0;
    virtual void registerHotkeys(const Assignments& assignments) = 0;
};

// Numbers of the modifier and key lists of an assignment (Combo1/Combo2 for Cut2 ...).
inline constexpr int modifierListNumber(int assignment) {
    return 2 * assignment + 1;
}
inline constexpr int keyListNumber(int assignment) {
    return 2 * assignment + 2;
}
// The store (2 or 3) an assignment or list belongs to.
inline constexpr int storeOfAssignment(int assignment) {
    return assignment < 3 ? 2 : 3;
}
inline constexpr int storeOfList(int listNumber) {
    return listNumber <= 6 ? 2 : 3;
}

// Modifier text to system flags (1 Alt, 2 Control), exact and case-sensitive.
std::uint32_t modifierFlags(std::string_view modifier);
// Key text to virtual-key code; "-" gives kUnassignedKeyCode.
std::uint32_t keyCode(std::string_view key);
// An assignment is registered unless its key is "-" or empty (a list without selection).
bool isAssigned(std::string_view key);
// "STRG" + "+" + "X".
std::string combinationText(std::string_view modifier, std::string_view key);

// The pair of texts as a hotkey: no hotkey when the key is not assigned.
Combination combinationOf(std::string_view modifier, std::string_view key);
// An assigned hotkey in texts again: "STRG+ALT+C", "-+F11".
std::string combinationText(const Combination& combination);

// The key texts a key list offers: the full list for a modifier of "STRG", "ALT" or
// "STRG+ALT", only the function keys otherwise; store 3 lists begin with "-".
std::vector<std::string> keyListEntries(int store, bool fullList);

}  // namespace trifolio
