#include "core/hotkeys/paste_wait.h"

namespace trifolio {

PasteWait::PasteWait(platform::Clipboard& clipboard, platform::KeyInput& keys,
                     platform::EventLoop& loop, std::uint32_t target)
    : clipboard_(clipboard),
      keys_(keys),
      loop_(loop),
      target_(target),
      reads_(target ? clipboard.readsBy(target) : 0),
      presses_(keys.presses()) {}

// An unknown target's read cannot be told from anyone else's.
bool PasteWait::read() {
    return target_ != 0 && clipboard_.readsBy(target_) != reads_;
}

bool PasteWait::pressed() {
    const auto now = keys_.presses();
    return presses_ && now && *now != *presses_;
}

PasteWait::End PasteWait::wait() {
    if (!loop_.waitUntil([&] { return read() || pressed(); }, kPasteBound))
        return End::Bound;
    if (!read())
        return End::Press;
    // Applications that read several formats read them one after the other.
    const auto end = loop_.now() + kPasteFormatsBound;
    for (int seen = clipboard_.readsBy(target_); loop_.now() < end;
         seen = clipboard_.readsBy(target_)) {
        if (!loop_.waitUntil([&] { return clipboard_.readsBy(target_) != seen; }, kPasteGrace))
            break;
    }
    return End::Read;
}

}  // namespace trifolio
