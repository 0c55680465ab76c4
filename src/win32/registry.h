// String values under HKEY_CURRENT_USER.
#pragma once

#include "platform/platform.h"

namespace trifolio::win32 {

// Texts are UTF-8 inside and UTF-16 in the registry, so a path with any character
// survives the round trip.
class Win32Registry final : public platform::Registry {
  public:
    bool setString(const std::string& keyPath, const std::string& name,
                   const std::string& value) override;
    bool deleteValue(const std::string& keyPath, const std::string& name) override;
};

}  // namespace trifolio::win32
