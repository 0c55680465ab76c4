// Waiting on the user-interface thread without blocking its window messages.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32EventLoop final : public platform::EventLoop {
  public:
    // A modeless dialog-like window whose keyboard messages go through IsDialogMessage
    // (Tab between controls, Enter for the default button). nullptr for none.
    void setDialog(HWND dialog) noexcept { dialog_ = dialog; }

    // Dispatches every message pending now. A WM_QUIT met here is kept and posted
    // again once no wait of this loop is running, so the main loop still ends.
    void pumpOnce() override;
    // Pumps and re-checks `done` whenever a message, a sent message or a short
    // slice of time arrives, until `done()` or `bound` has passed.
    bool waitUntil(const std::function<bool()>& done, platform::Millis bound) override;
    std::chrono::steady_clock::time_point now() override;

    // Longest sleep between two checks of a waitUntil condition when no message comes.
    static constexpr platform::Millis kSlice{5};

  private:
    void pump();
    void repostQuit();

    HWND dialog_ = nullptr;
    int waitDepth_ = 0;
    bool quitSeen_ = false;
    WPARAM quitCode_ = 0;
};

}  // namespace trifolio::win32
