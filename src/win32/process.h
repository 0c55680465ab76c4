// The running process: its executable and its command line.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32Process final : public platform::Process {
  public:
    // Full path, also beyond MAX_PATH.
    std::string executablePath() override;
    std::string commandLine() override;
};

// What follows the program's name in a command line, without the blanks that separate
// them. The name is either quoted or runs to the first blank or tab.
std::wstring_view argumentsAfterProgramName(std::wstring_view commandLine);

}  // namespace trifolio::win32
