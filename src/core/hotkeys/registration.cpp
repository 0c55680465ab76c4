// RegisterHotkeys / UnregisterHotkeys: the six assignments as system-wide hotkeys under the global
// atoms "Cut2" ... "Paste3".
#include <cstdint>

#include "core/hotkeys/engine.h"

namespace trifolio {

HotkeyEngine::HotkeyEngine(StoreSet& stores, platform::HotkeyApi& hotkeys,
                           platform::Clipboard& clipboard, platform::KeyInput& keys,
                           platform::EventLoop& loop)
    : stores_(stores), hotkeys_(hotkeys), clipboard_(clipboard), keys_(keys), loop_(loop) {}

void HotkeyEngine::registerHotkeys(const Assignments& assignments) {
    everRegistered_ = true;
    refused_.clear();
    for (Entry& entry : entries_)
        entry.registered = false;

    for (int i = 0; i < kAssignmentCount; ++i) {
        const Combination& combination = assignments[i];
        if (!combination.assigned())
            continue;
        // Marked before the system is asked, and kept whatever it answers, so that the
        // next unregisterHotkeys gives back whatever was asked for.
        Entry& entry = entries_[i];
        entry.registered = true;
        entry.atom = hotkeys_.addAtom(std::string(kAssignmentNames[i]));
        // String atoms lie above 0xC000; read as a signed 16-bit value and widened,
        // the atom is the identifier registered and handed back with the hotkey.
        entry.id = static_cast<std::int16_t>(entry.atom);
        entry.key = static_cast<std::uint8_t>(combination.key);
        if (entry.atom == 0 ||
            !hotkeys_.registerHotkey(entry.id, combination.modifiers, combination.key))
            refused_.push_back(combinationText(combination));
    }
    hooked_ = true;
}

void HotkeyEngine::unregisterHotkeys() {
    if (!everRegistered_)
        return;
    hooked_ = false;
    // The marks stay: a second call gives the same registrations back again, which the
    // system answers with a harmless refusal.
    for (const Entry& entry : entries_) {
        if (!entry.registered || entry.atom == 0)
            continue;
        hotkeys_.unregisterHotkey(entry.id);
        hotkeys_.deleteAtom(entry.atom);
    }
}

std::vector<std::string> HotkeyEngine::refusedCombinations() const {
    return refused_;
}

}  // namespace trifolio
