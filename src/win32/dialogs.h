// Modal message boxes.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32Dialogs final : public platform::Dialogs {
  public:
    // The window the boxes belong to; nullptr shows them on their own (task-modal).
    void setOwner(HWND owner) noexcept { owner_ = owner; }

    // A box that ends without the person's answer (it could not be shown, or its owner
    // was destroyed) answers No.
    platform::Answer messageBox(const std::string& title, const std::string& text,
                                platform::Buttons buttons, platform::Icon icon,
                                bool defaultNo) override;

  private:
    HWND owner_ = nullptr;
};

}  // namespace trifolio::win32
