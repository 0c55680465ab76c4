// What the Win32 tests share: the one way they wait (a bounded pump of this thread's
// messages, never a fixed sleep), and a control of the settings window found by name.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

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

}  // namespace trifolio::test
