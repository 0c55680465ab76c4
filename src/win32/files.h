// Whole files on disk. Reading and replacing a file wait about a second while another
// program (antivirus, the search indexer) holds it for a moment.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32Files final : public platform::Files {
  public:
    std::optional<std::string> read(const std::string& path, std::string& error,
                                    std::size_t limit) override;
    bool exists(const std::string& path) override;
    // Writes a new file beside the target, flushes it to disk and then moves it over the
    // target in one step. A read-only target is refused as Windows refuses to open it
    // for writing (Wine would let the move replace it).
    bool writeAtomically(const std::string& path, const std::string& bytes,
                         std::string& error) override;
};

// The system's description of an error code, without trailing line end and period.
std::string systemErrorText(DWORD code);

}  // namespace trifolio::win32
