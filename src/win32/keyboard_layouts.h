// The keyboard layouts the person has installed, asked what a key types.
#pragma once

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32KeyboardLayouts final : public platform::KeyboardLayouts {
  public:
    std::vector<platform::TypedText> typedBy(std::uint32_t virtualKey, bool control,
                                             bool alt) override;
};

}  // namespace trifolio::win32
