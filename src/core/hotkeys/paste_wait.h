// How long a paste leaves the store on the clipboard: until the application the Ctrl+V
// went to has read it, or the person goes on (a key press or a click), or a bound has
// passed, whichever comes first. An application busy recalculating, or a remote desktop
// fetching over the network, reads seconds late; reads by other programs, and by
// readers that cannot be told apart, do not end the wait.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace trifolio {

// Longest wait for the application to read the offered store after Ctrl+V.
inline constexpr platform::Millis kPasteBound{5000};
// After a read, the application may read further formats: the restore waits until
// no read came for this long, at most kPasteFormatsBound.
inline constexpr platform::Millis kPasteGrace{15};
inline constexpr platform::Millis kPasteFormatsBound{750};

class PasteWait {
  public:
    enum class End { Read, Press, Bound };
    // Before the keystroke goes out: what was read and pressed so far.
    PasteWait(platform::Clipboard& clipboard, platform::KeyInput& keys, platform::EventLoop& loop,
              std::uint32_t target);
    // Waits, serving the program's messages, until the wait ends, and says why.
    End wait();

  private:
    bool read();
    bool pressed();

    platform::Clipboard& clipboard_;
    platform::KeyInput& keys_;
    platform::EventLoop& loop_;
    std::uint32_t target_;
    int reads_;
    std::optional<std::uint64_t> presses_;
};

}  // namespace trifolio
