// What the Win32 tests share: the one way they wait (a bounded pump of this thread's
// messages, never a fixed sleep), a control of the settings window found by name, keys typed.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

#include "view/settings_window.h"

namespace trifolio::test {

using namespace std::chrono_literals;

// Returns done(), checked once more at the bound.
inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 5s) {
    for (const auto deadline = std::chrono::steady_clock::now() + bound;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// The control of the table named `name`, at any depth below `root`.
inline HWND child(HWND root, std::string_view name) {
    std::pair<int, HWND> search{win32::controlId(name), nullptr};
    EnumChildWindows(
        root,
        [](HWND c, LPARAM data) {
            auto& [id, found] = *reinterpret_cast<std::pair<int, HWND>*>(data);
            return GetDlgCtrlID(c) == id ? (found = c, FALSE) : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Presses and/or releases the hotkey's keys in the order a typist does, with real scan codes.
inline void typeHotkey(UINT modifiers, UINT key, bool press = true, bool release = true) {
    std::vector<WORD> keys;
    if (modifiers & MOD_CONTROL)
        keys.push_back(VK_CONTROL);
    if (modifiers & MOD_ALT)
        keys.push_back(VK_MENU);
    keys.push_back(static_cast<WORD>(key));
    std::vector<INPUT> inputs;
    for (int up = press ? 0 : 1; up < (release ? 2 : 1); ++up)
        for (std::size_t i = 0; i < keys.size(); ++i) {
            INPUT& input = inputs.emplace_back();
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = keys[up ? keys.size() - 1 - i : i];
            input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(input.ki.wVk, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace trifolio::test
