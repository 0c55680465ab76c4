#include "win32/event_loop.h"

#include <algorithm>

namespace trifolio::win32 {

void Win32EventLoop::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitSeen_ = true;
            quitCode_ = msg.wParam;
            continue;
        }
        if (dialog_ && IsDialogMessageW(dialog_, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32EventLoop::repostQuit() {
    if (quitSeen_ && waitDepth_ == 0) {
        quitSeen_ = false;
        PostQuitMessage(static_cast<int>(quitCode_));
    }
}

void Win32EventLoop::pumpOnce() {
    pump();
    repostQuit();
}

bool Win32EventLoop::waitUntil(const std::function<bool()>& done, platform::Millis bound) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + bound;
    ++waitDepth_;
    bool result = false;
    for (;;) {
        pump();
        if (done()) {
            result = true;
            break;
        }
        const auto left = ceil<milliseconds>(deadline - steady_clock::now());
        if (left <= milliseconds::zero()) {
            result = done();
            break;
        }
        // Wakes at once for posted, sent and input messages (the clipboard's update
        // and render messages among them); the slice covers conditions no message
        // announces.
        const auto slice = std::clamp(left, milliseconds(1), kSlice);
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(slice.count()), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
    --waitDepth_;
    repostQuit();
    return result;
}

std::chrono::steady_clock::time_point Win32EventLoop::now() {
    return std::chrono::steady_clock::now();
}

}  // namespace trifolio::win32
