// Hotkey dispatch and the six actions: cut, copy and paste for stores 2 and 3.
#include <algorithm>

#include "core/hotkeys/engine.h"
#include "core/hotkeys/key_synthesis.h"

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
    // The system drops keys into a window of higher rights without a word: nothing is
    // touched there, and the person is told once per window.
    const auto window = keys_.foregroundWindow();
    if (window.unreachable) {
        if (std::ranges::find(toldUnreachable_, window.handle) == toldUnreachable_.end()) {
            toldUnreachable_.push_back(window.handle);
            if (tellUnreachable_)
                tellUnreachable_();
        }
        return;
    }
    settleAfterAction();
    if (users_ && users_->late)
        users_.reset();  // a new action ends the watch; nothing is owed

    BusyScope scope(busy_);
    placed_ = false;
    const int store = storeOfAssignment(assignment);
    try {
        switch (assignment) {
            case Cut2:
            case Cut3:
                capture(store, keystrokeFor(Edit::Cut, window.windowClass), window.process);
                break;
            case Copy2:
            case Copy3:
                capture(store, keystrokeFor(Edit::Copy, window.windowClass), window.process);
                break;
            default:
                paste(store, keystrokeFor(Edit::Paste, window.windowClass), window.process);
                break;
        }
    } catch (...) {
        // Out of memory, say, for content of hundreds of megabytes: the action ends
        // quietly. Before the clipboard was emptied nothing was touched; while it holds
        // the program's marker or offer, what the user's clipboard held goes back, or
        // is owed.
        if (users_)
            users_->late.reset();
        if (placed_) {
            try {
                restoreSnapshot();
            } catch (...) {
                if (users_)
                    users_->owed = true;
            }
        }
    }
    placed_ = false;
    dropUsersClipboardWhenDone();
}

// The user's clipboard is kept only while its restore is owed or a late copy is watched.
void HotkeyEngine::dropUsersClipboardWhenDone() {
    if (users_ && !users_->owed && !users_->late)
        users_.reset();
}

// The user's clipboard for an action, whole: read now, or, while the restore of the
// last action is still owed (the clipboard was busy), the snapshot that restore owes.
bool HotkeyEngine::takeUsersClipboard() {
    if (users_ && users_->owed)
        return true;
    auto reading = clipboard_.read(true);
    // A program that reads the clipboard at every change may still hold it from the last.
    if (!reading && clipboard_.heldElsewhere() &&
        loop_.waitUntil([&] { return !clipboard_.heldElsewhere(); }, kFreeBound))
        reading = clipboard_.read(true);
    if (!reading)
        return false;
    stores_.capture(1, std::move(reading->content));
    users_ = UsersClipboard{std::move(reading->whole), false, Look{}, std::nullopt};
    return true;
}

// Programs that read the clipboard at every change (clipboard tools, synchronisers) open
// it a few milliseconds after the program's own change; an application whose open fails
// then does not try again: its paste pastes nothing, its cut loses the text. So the
// keystroke goes out once nobody holds the clipboard and nobody has for a quiet time
// (neighbours' reads of an offer count as holds). False when it stayed held.
bool HotkeyEngine::waitForFreeClipboard(std::chrono::steady_clock::time_point changed) {
    const auto end = changed + kFreeBound;
    const platform::Millis quiet = kQuiet + neighbourDelay_;
    auto lastHeld = changed;
    bool seen = false;
    int reads = clipboard_.readsBy(0);
    const auto free = [&] {
        const auto now = loop_.now();
        const int readsNow = clipboard_.readsBy(0);
        if (clipboard_.heldElsewhere() || readsNow != reads) {
            if (!seen) {
                seen = true;
                const auto delay = std::chrono::duration_cast<platform::Millis>(now - changed);
                neighbourDelay_ = std::max(neighbourDelay_, std::min(delay, kNeighbourDelayCap));
            }
            reads = readsNow;
            lastHeld = now;
            return false;
        }
        return now - lastHeld >= quiet;
    };
    // Each wait ends when the quiet time would be over, so that its passing is seen.
    while (!loop_.waitUntil(
        free, std::max(platform::Millis(1),
                       std::chrono::ceil<platform::Millis>(lastHeld + quiet - loop_.now()))))
        if (loop_.now() >= end)
            return false;
    return true;
}

// The whole clipboard, or nothing when it could not be read (busy, or out of memory).
std::optional<platform::Clipboard::Reading> HotkeyEngine::readWhole() {
    try {
        return clipboard_.read(true);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Takes the application's copy into the store. A cut's text exists nowhere else, so a
// copy the store could not read is read again while the clipboard is free, for
// kRereadBound. False when the store never got it.
bool HotkeyEngine::takeCopy(int store) {
    const auto end = loop_.now() + kRereadBound;
    auto reading = readWhole();
    while (!reading && loop_.now() < end) {
        loop_.waitUntil([] { return false; }, kRereadStep);
        reading = readWhole();
    }
    if (!reading)
        return false;
    if (!reading->content.formats.empty())  // an empty copy is no copy
        stores_.capture(store, std::move(reading->content), std::move(reading->whole));
    return true;
}

// `target`: the process the keystroke goes to.
void HotkeyEngine::capture(int store, const Keystroke& keystroke, std::uint32_t target) {
    // Without the user's content in hand nothing may be cleared.
    if (!takeUsersClipboard())
        return;

    // The marker tells "the application copied" (it emptied the clipboard) from "it has
    // not yet"; when it could not be placed, any change of the clipboard counts.
    placed_ = true;
    const bool marked = clipboard_.clearWithMarker();
    // The watch of the person's keys is probed while the neighbours' quiet time runs.
    const auto changed = loop_.now();
    keys_.probeWatch();
    if (!waitForFreeClipboard(changed)) {
        restoreSnapshot();  // as if the action had not begun
        return;
    }
    const std::uint32_t before = clipboard_.sequenceNumber();
    const auto pressedAgain = SendKeystroke(keystroke, keys_, loop_, true);
    const bool copied = loop_.waitUntil(
        [&] {
            return marked ? !clipboard_.markerPresent() : clipboard_.sequenceNumber() != before;
        },
        kCaptureBound);
    // The watch for a late copy ends at the person's next press after this moment: one
    // made while the clipboard is put back counts too.
    const auto pressesAtGiveUp = keys_.presses();
    releaseLetGo(keys_, loop_, pressedAgain);

    if (copied) {
        // The application's copy is the clipboard's now: should the store never get it,
        // it stays there rather than be covered by the user's clipboard.
        placed_ = false;
        if (!takeCopy(store)) {
            users_.reset();
            return;
        }
    }
    // The store keeps what it had when nothing came: as Ctrl+C with nothing selected.
    loop_.pumpOnce();
    restoreSnapshot();
    if (!copied && !users_->owed && target != 0 && pressesAtGiveUp) {
        users_->left = look();
        users_->late =
            LateCopyWatch{store, target, *pressesAtGiveUp, loop_.now() + kLateCopyWindow};
    }
}

void HotkeyEngine::paste(int store, const Keystroke& keystroke, std::uint32_t target) {
    if (!takeUsersClipboard())
        return;

    // Every format the store captured, offered with delayed rendering: every read shows,
    // so the restore can wait for the read of the application the keystroke goes to
    // instead of guessing, whatever clipboard monitors read meanwhile.
    const std::uint32_t sequence = clipboard_.sequenceNumber();
    placed_ = true;
    const bool inClipboard = clipboard_.offer(stores_.store(store).whole);
    const auto changed = loop_.now();
    keys_.probeWatch();
    if (!inClipboard || !waitForFreeClipboard(changed)) {
        // The store is not in the clipboard, or nobody could paste it: a Ctrl+V now
        // would paste something else.
        if (clipboard_.sequenceNumber() != sequence)
            restoreSnapshot();
        return;
    }
    clipboard_.serveOffer(target);
    PasteWait offered(clipboard_, keys_, loop_, target);
    const auto pressedAgain = SendKeystroke(keystroke, keys_, loop_, true);
    offered.wait();
    releaseLetGo(keys_, loop_, pressedAgain);
    restoreSnapshot();
}

// The store-1 row: the plain text and one picture, and nothing that the application
// that copied would have to render beyond them; read again only once the clipboard
// changed, so that a tick that finds nothing new costs nothing.
bool HotkeyEngine::showClipboard() {
    const std::uint32_t sequence = clipboard_.sequenceNumber();
    if (shownSequence_ == sequence)
        return true;
    auto reading = clipboard_.read(false);
    if (!reading)
        return false;
    stores_.capture(1, std::move(reading->content));
    shownSequence_ = sequence;
    return true;
}

// What the clipboard shows now; its content stays unknown when it cannot be read.
HotkeyEngine::Look HotkeyEngine::look() {
    Look seen{clipboard_.sequenceNumber(), clipboard_.ownerProcess(), std::nullopt};
    std::optional<platform::Clipboard::Reading> reading;
    try {
        reading = clipboard_.read(false);
    } catch (const std::bad_alloc&) {
    }
    if (reading) {
        auto& c = reading->content;
        seen.content =
            Look::Content{sortedFormats(std::move(c.formats)), std::move(c.text), c.textLength,
                          c.picture ? c.picture->width() : 0, c.picture ? c.picture->height() : 0};
    }
    return seen;
}

void HotkeyEngine::restoreSnapshot() {
    if (!users_)
        return;
    users_->owed = !clipboard_.restore(users_->snapshot);
    if (users_->owed)
        users_->left = look();
}

// After an action: makes up a restore that is owed, and takes a late copy of the
// application into the store, as long as no new content came meanwhile.
void HotkeyEngine::settleAfterAction() {
    if (!users_)
        return;
    UsersClipboard& users = *users_;
    if (users.late && (loop_.now() > users.late->until || keys_.presses() != users.late->presses))
        users.late.reset();
    dropUsersClipboardWhenDone();
    if (!users_)
        return;
    if (users.owed && clipboard_.heldElsewhere())
        return;  // still held: trying would only wait
    // Did anything come since the program left the clipboard? A moved sequence number
    // alone says nothing; the content does, or, when it could not be read then, the owner.
    bool changed = false;
    if (clipboard_.sequenceNumber() != users.left.sequence) {
        Look now = look();
        if (!now.content)
            return;  // busy: the next notification tries again
        changed =
            users.left.content ? now.content != users.left.content : now.owner != users.left.owner;
        if (!changed)
            users.left = std::move(now);
    }
    if (users.owed) {
        if (changed)
            users_.reset();  // someone wrote: the clipboard is theirs now
        else
            restoreSnapshot();
        dropUsersClipboardWhenDone();
        return;
    }
    if (!changed)
        return;
    if (clipboard_.ownerProcess() != users.late->process) {
        users_.reset();  // another program wrote it: the user's own copy, which stays
        return;
    }
    // The application's copy came after all: it belongs to the store, and the user's
    // clipboard goes back once more. Until it is read whole, the watch stays.
    auto reading = readWhole();
    if (!reading)
        return;
    stores_.capture(users.late->store, std::move(reading->content), std::move(reading->whole));
    users.late.reset();
    restoreSnapshot();
    dropUsersClipboardWhenDone();
}

bool HotkeyEngine::UpdateClipboardStatus() {
    if (busy_)
        return false;
    settleAfterAction();
    // While a restore is owed, store 1 shows the user's clipboard, not what is there.
    if (users_ && users_->owed)
        return false;
    return showClipboard();
}

void HotkeyEngine::clipboardChanged() {
    if (!busy_)
        settleAfterAction();
}

void HotkeyEngine::clearClipboard() {
    // The user wants the clipboard empty: nothing is owed back any more.
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
