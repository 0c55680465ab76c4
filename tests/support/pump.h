// The one way the Win32 tests wait: pump this thread's messages until a condition
// holds or a bound has passed. Never a fixed sleep.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace trifolio::test {

// Returns done(), checked once more at the bound.
inline bool pumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
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

}  // namespace trifolio::test
