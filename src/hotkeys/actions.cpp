// Hotkey dispatch and the six actions: cut, copy and paste for stores 2 and 3.
#include <algorithm>

#include "hotkeys/engine.h"
#include "hotkeys/key_synthesis.h"

namespace trifolio {

namespace {

// Marks the engine busy for the length of an action.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& busy_;
};

std::vector<std::uint32_t> sortedFormats(std::vector<std::uint32_t> formats) {
    std::sort(formats.begin(), formats.end());
    return formats;
}

}  // namespace

void HotkeyEngine::onHotkey(int id) {
    if (!hooked_)
        return;
    for (int i = 0; i < kAssignmentCount; ++i) {
        const Entry& entry = entries_[i];
        if (!entry.registered || entry.atom == 0 || entry.id != id)
            continue;
        // A key held down repeats, and the system may hand each repeat on as the hotkey
        // again: only a new press of the key is a new hotkey. A key that is up again is
        // no repeat, also when the watch has not yet counted its press. A watch the
        // system removed would hold the key down for ever: it first proves it is alive.
        auto press = keys_.pressesOf(entry.key);
        if (press && press == lastPress_[i] && keys_.held(entry.key)) {
            if (watchAnswers(keys_, loop_))
                continue;
            press = keys_.pressesOf(entry.key);
        }
        lastPress_[i] = press;
        // Without a watch the keystroke goes out under the modifiers the person holds and
        // may be this hotkey again: during an action one cannot be told from the person's.
        if (!busy_) {
            runHotkey(i);
        } else if (press && std::count_if(queued_.begin(), queued_.end(), [](const Pending& p) {
                                return p.assignment >= 0;
                            }) < static_cast<std::ptrdiff_t>(kMaxQueuedHotkeys)) {
            queued_.push_back({i, nullptr});
        }
    }
    runPending();
}

void HotkeyEngine::whenIdle(std::function<void()> work) {
    if (busy_) {
        queued_.push_back({-1, std::move(work)});
        return;
    }
    work();
    runPending();
}

void HotkeyEngine::runPending() {
    // What came during the action, in its order. A re-registration meanwhile may have
    // switched a queued hotkey off.
    while (!busy_ && !queued_.empty()) {
        Pending next = std::move(queued_.front());
        queued_.pop_front();
        if (next.assignment < 0)
            next.work();
        else if (hooked_ && entries_[next.assignment].registered)
            runHotkey(next.assignment);
    }
}

void HotkeyEngine::runHotkey(int assignment) {
    settleAfterAction();
    lateCopy_.reset();

    BusyScope scope(busy_);
    emptied_ = false;
    const int store = storeOfAssignment(assignment);
    try {
        switch (assignment) {
            case Cut2:
            case Cut3:
                capture(store, "STRG+X");
                break;
            case Copy2:
            case Copy3:
                capture(store, "STRG+C");
                break;
            default:
                paste(store);
                break;
        }
    } catch (...) {
        // Out of memory, say, for content of hundreds of megabytes: the action ends
        // quietly. Before the clipboard was emptied nothing was touched; after, what the
        // user's clipboard held still goes back, or is owed.
        lateCopy_.reset();
        if (emptied_) {
            try {
                restoreSnapshot();
            } catch (...) {
                restoreOwed_ = clipboard_.sequenceNumber();
            }
        }
    }
    dropUsersClipboardWhenDone();
}

// The user's clipboard for an action, whole: read now, or, while the restore of the
// last action is still owed (the clipboard was busy), the snapshot that restore owes.
bool HotkeyEngine::takeUsersClipboard() {
    if (restoreOwed_)
        return true;
    auto reading = clipboard_.read(true);
    if (!reading)
        return false;
    stores_.capture(1, std::move(reading->content));
    users_ = std::move(reading->whole);
    return true;
}

// The user's whole clipboard is kept only while it may still be put back.
void HotkeyEngine::dropUsersClipboardWhenDone() {
    if (!restoreOwed_ && !lateCopy_)
        users_.reset();
}

void HotkeyEngine::capture(int store, const char* keystroke) {
    // Without the user's content in hand nothing may be cleared.
    if (!takeUsersClipboard())
        return;

    // The marker tells "the application copied" (it emptied the clipboard) from "it has
    // not yet"; when it could not be placed, any change of the clipboard counts.
    emptied_ = true;
    const bool marked = clipboard_.clearWithMarker();
    const std::uint32_t before = clipboard_.sequenceNumber();
    const std::uint32_t target = keys_.foregroundProcess();
    const auto pressedAgain = SendKeyCombo(keystroke, keys_, loop_);
    const bool copied = loop_.waitUntil(
        [&] {
            return marked ? !clipboard_.markerPresent() : clipboard_.sequenceNumber() != before;
        },
        kCaptureBound);
    // The watch for a late copy ends at the person's next press after this moment: one
    // made while the clipboard is put back counts too.
    const auto pressesAtGiveUp = keys_.presses();
    releaseLetGo(keys_, loop_, pressedAgain);

    // The store keeps every format the application copied, so that a paste gives back
    // what was copied; a failure to read it (out of memory, say) leaves the store as it was.
    std::optional<platform::Clipboard::Reading> reading;
    if (copied)
        reading = clipboard_.read(true);
    if (reading)
        stores_.capture(store, std::move(reading->content), std::move(reading->whole));
    else
        stores_.clear(store);

    loop_.pumpOnce();
    restoreSnapshot();
    if (!copied && !restoreOwed_)
        watchForLateCopy(store, target, pressesAtGiveUp);
}

void HotkeyEngine::watchForLateCopy(int store, std::uint32_t process,
                                    std::optional<std::uint64_t> presses) {
    if (process == 0 || !presses)
        return;  // a copy could not be told from the user's own
    const std::uint32_t sequence = clipboard_.sequenceNumber();
    auto reading = clipboard_.read(false);
    if (!reading)
        return;
    lateCopy_ = LateCopyWatch{store,
                              process,
                              sequence,
                              *presses,
                              loop_.now() + kLateCopyWindow,
                              sortedFormats(reading->content.formats),
                              reading->content.text,
                              reading->content.textLength};
}

void HotkeyEngine::paste(int store) {
    if (!takeUsersClipboard())
        return;

    // Every format the store captured, offered with delayed rendering: every read shows,
    // so the restore can wait for the read of the application the keystroke goes to
    // instead of guessing, whatever clipboard monitors read meanwhile.
    const std::uint32_t sequence = clipboard_.sequenceNumber();
    emptied_ = true;
    if (!clipboard_.offer(stores_.store(store).whole)) {
        // The store is not in the clipboard: a Ctrl+V now would paste something else.
        if (clipboard_.sequenceNumber() != sequence)
            restoreSnapshot();
        return;
    }
    const std::uint32_t target = keys_.foregroundProcess();
    const int before = clipboard_.readsBy(target);

    const auto pressedAgain = SendKeyCombo("STRG+V", keys_, loop_);
    if (loop_.waitUntil([&] { return clipboard_.readsBy(target) != before; }, kPasteBound)) {
        // Applications that read several formats read them one after the other.
        const auto end = loop_.now() + kPasteBound;
        for (int seen = clipboard_.readsBy(target); loop_.now() < end;
             seen = clipboard_.readsBy(target)) {
            if (!loop_.waitUntil([&] { return clipboard_.readsBy(target) != seen; }, kPasteGrace))
                break;
        }
    }
    releaseLetGo(keys_, loop_, pressedAgain);
    restoreSnapshot();
}

// The store-1 row: the plain text and one picture, and nothing that the application
// that copied would have to render beyond them.
bool HotkeyEngine::showClipboard() {
    auto reading = clipboard_.read(false);
    if (!reading)
        return false;
    stores_.capture(1, std::move(reading->content));
    return true;
}

void HotkeyEngine::restoreSnapshot() {
    if (!users_ || clipboard_.restore(users_))
        restoreOwed_.reset();
    else
        restoreOwed_ = clipboard_.sequenceNumber();
}

void HotkeyEngine::settleAfterAction() {
    if (restoreOwed_) {
        if (clipboard_.sequenceNumber() == *restoreOwed_)
            restoreSnapshot();
        else
            restoreOwed_.reset();  // someone wrote since: the clipboard is theirs now
    }
    if (lateCopy_ && (loop_.now() > lateCopy_->until || keys_.presses() != lateCopy_->presses))
        lateCopy_.reset();
    if (!lateCopy_) {
        dropUsersClipboardWhenDone();
        return;
    }
    if (clipboard_.sequenceNumber() == lateCopy_->sequence)
        return;
    auto reading = clipboard_.read(false);
    if (!reading)
        return;  // busy: the next change notification tries again
    if (sortedFormats(reading->content.formats) == lateCopy_->formats &&
        reading->content.text == lateCopy_->text &&
        reading->content.textLength == lateCopy_->textLength) {
        // Only the sequence number moved (Wine's clipboard manager does that).
        lateCopy_->sequence = clipboard_.sequenceNumber();
        return;
    }
    if (clipboard_.ownerProcess() != lateCopy_->process) {
        // Another program wrote it: the user's own copy, which stays.
        lateCopy_.reset();
        return;
    }
    // The application's copy came after all: it belongs to the store, and the user's
    // clipboard goes back once more.
    const int store = lateCopy_->store;
    lateCopy_.reset();
    if (auto everything = clipboard_.read(true))
        reading = std::move(everything);
    stores_.capture(store, std::move(reading->content), std::move(reading->whole));
    restoreSnapshot();
    dropUsersClipboardWhenDone();
}

bool HotkeyEngine::UpdateClipboardStatus() {
    if (busy_)
        return false;
    settleAfterAction();
    // While a restore is owed, store 1 shows the user's clipboard, not what is there.
    if (restoreOwed_)
        return false;
    return showClipboard();
}

void HotkeyEngine::clipboardChanged() {
    if (!busy_)
        settleAfterAction();
}

void HotkeyEngine::clearClipboard() {
    // The user wants the clipboard empty: nothing is owed back any more.
    restoreOwed_.reset();
    lateCopy_.reset();
    users_.reset();
    const bool cleared = clipboard_.clear();
    if (!showClipboard() && cleared)
        stores_.clear(1);
}

void HotkeyEngine::clearStore(int n) {
    if (n == 2 || n == 3)
        stores_.clear(n);
}

}  // namespace trifolio
