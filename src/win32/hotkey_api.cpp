#include "win32/hotkey_api.h"

#include "win32/strings.h"

namespace trifolio::win32 {

std::uint16_t Win32HotkeyApi::addAtom(const std::string& name) {
    return GlobalAddAtomW(widen(name).c_str());
}

void Win32HotkeyApi::deleteAtom(std::uint16_t atom) {
    GlobalDeleteAtom(atom);
}

bool Win32HotkeyApi::registerHotkey(int id, std::uint32_t modifiers, std::uint32_t virtualKey) {
    // A hotkey held down must not repeat its action with the keyboard's auto-repeat.
    return RegisterHotKey(window_, id, modifiers | MOD_NOREPEAT, virtualKey) != FALSE;
}

bool Win32HotkeyApi::unregisterHotkey(int id) {
    return UnregisterHotKey(window_, id) != FALSE;
}

}  // namespace trifolio::win32
