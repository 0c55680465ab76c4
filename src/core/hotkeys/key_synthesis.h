// Synthesised keystrokes: makes the foreground application believe the user typed a
// key combination such as Ctrl+C.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/hotkeys/keystrokes.h"
#include "platform/keys.h"
#include "platform/platform.h"

namespace trifolio {

// A batch the system takes only in part goes in again, the rest of it, after a pass of
// messages, until it is all in or this long has passed.
inline constexpr platform::Millis kKeyRetryBound{500};
inline constexpr platform::Millis kKeyRetryStep{10};
// Longest wait for the watch of the person's keys to see a probe of the program's own.
inline constexpr platform::Millis kWatchBound{100};

// Types `keystroke` (Ctrl+C, Shift+Insert, ...) in the foreground application, every
// event with its scan code and extended flag.
//
// The user may still hold the keys of the hotkey that started the action. Alt, Shift and
// Win that are held are released first (they would turn Ctrl+C into AltGr+C), a lone Alt
// or Win after a tap of the unassigned mask key, so that no menu opens. The presses go
// out as one batch, then the program's pending messages run once, then the releases go
// out as a second batch, which ends by pressing again every modifier the person still
// holds: the next tap under the same modifiers is that hotkey again, and a key held down
// never reaches the application as its plain letter. A mask tap follows a re-pressed Alt
// or Win, so that letting go of it alone opens no menu either. No key is left down that
// the person does not hold, also when the system takes only part of a batch.
//
// What the person holds comes from the watch of the keyboard, which first proves it is
// alive (watchAnswers); `probed`: the caller sent it a probe (probeWatch) a moment ago,
// and if that came through, the watch is not asked again. Without a working watch nobody
// can tell whether the person still holds a modifier once it was released, so the
// modifiers held are left as they are: the keystroke goes out under them. Returns the
// modifiers it pressed again.
std::vector<std::uint8_t> SendKeystroke(const Keystroke& keystroke, platform::KeyInput& keys,
                                        platform::EventLoop& loop, bool probed = false);
// The watch of the person's keys proves it still sees them: a probe must come through it
// within kWatchBound. A watch that does not answer (the system removed it) is installed
// anew, and one that is missing is tried again. True when it answered.
bool watchAnswers(platform::KeyInput& keys, platform::EventLoop& loop);

// A person may let go of a modifier just while SendKeystroke presses it again, and the
// two cross: releases those of `pressedAgain` the person no longer holds.
void releaseLetGo(platform::KeyInput& keys, platform::EventLoop& loop,
                  std::span<const std::uint8_t> pressedAgain);

// Sends `events` as one batch, and what the system did not take of it again (bounded).
void sendKeys(platform::KeyInput& keys, platform::EventLoop& loop,
              std::span<const platform::KeyEvent> events);

}  // namespace trifolio
