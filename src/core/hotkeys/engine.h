// The hotkey engine: registers the six hotkeys and runs their actions. Cut and copy make the
// foreground application put its selection into the emptied clipboard and take it into store 2 or
// 3; paste offers a store's content and makes the application paste it. Every action ends by
// putting the user's own clipboard back, whole.
//
// Everything runs on the user-interface thread. While an action waits for the
// application, the program's messages keep running: a hotkey that arrives then is
// queued and runs after the action, as does whatever the window hands to whenIdle (a
// click, the tray menu), and a store-1 snapshot asked for then is skipped, so nothing
// can change the snapshot that the action puts back and no modal loop runs inside it.
#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/hotkeys/keys.h"
#include "core/hotkeys/keystrokes.h"
#include "core/hotkeys/paste_wait.h"
#include "core/stores/store.h"
#include "platform/platform.h"

namespace trifolio {

// Longest wait for the application to write the clipboard after Ctrl+X or Ctrl+C.
inline constexpr platform::Millis kCaptureBound{1500};
// Longest wait, before a keystroke, for the programs that the program's own change woke
// to let go of the clipboard.
inline constexpr platform::Millis kFreeBound{2000};
// The clipboard counts as free once nobody has held it for this long (plus the longest
// delay seen so far between a change and a neighbour's hold, up to kNeighbourDelayCap).
inline constexpr platform::Millis kQuiet{3};
inline constexpr platform::Millis kNeighbourDelayCap{50};
// How long the application's copy is read again when the store could not take it.
inline constexpr platform::Millis kRereadBound{3000};
inline constexpr platform::Millis kRereadStep{50};
// A copy by the same application that comes this long after a timed-out capture was
// put back is still taken for that capture's late copy.
inline constexpr platform::Millis kLateCopyWindow{2000};
// Hotkeys waiting behind a running action; further ones are dropped.
inline constexpr std::size_t kMaxQueuedHotkeys = 8;
// A hotkey acts once per press of its key: while the key is held, its repeats do nothing.

class HotkeyEngine : public HotkeyRegistration {
  public:
    HotkeyEngine(StoreSet& stores, platform::HotkeyApi& hotkeys, platform::Clipboard& clipboard,
                 platform::KeyInput& keys, platform::EventLoop& loop);

    // RegisterHotkeys: registers every assigned combination under its global atom, marks
    // it registered whatever the system answers, and turns the hotkeys on.
    void registerHotkeys(const Assignments& assignments) override;
    // UnregisterHotkeys: turns the hotkeys off and gives back every marked registration
    // and atom. Does nothing before the first registerHotkeys.
    void unregisterHotkeys() override;
    // True between registerHotkeys and unregisterHotkeys: only then do hotkeys act.
    bool hooked() const { return hooked_; }
    // The combinations ("STRG+ALT+X") the system refused at the last registerHotkeys.
    std::vector<std::string> refusedCombinations() const;

    // A hotkey message with its identifier (WM_HOTKEY's wParam, as an int). Runs the
    // action of the matching registered entry, or queues it while an action runs; an
    // identifier no registered entry has does nothing, and so does a repeat of the
    // hotkey while its key is still held from the press that ran it.
    void onHotkey(int id);
    bool busy() const { return busy_; }
    // The restore of the user's clipboard failed (another program held the clipboard) and
    // is owed: clipboardChanged makes it up once the clipboard is free.
    bool restoreOwed() const { return users_ && users_->owed; }
    // Runs `work` now, or after the running action and whatever queued up before it.
    void whenIdle(std::function<void()> work);

    // Takes the store-1 snapshot of the clipboard for the Status page: its plain text and
    // one picture, once the clipboard changed since the last one. False when none was
    // taken: during an action, while a restore is owed, or when the changed clipboard
    // could not be read (store 1 then keeps the last snapshot).
    bool UpdateClipboardStatus();
    // Call on every clipboard change notification: puts the user's clipboard back when
    // an application copies late for a capture that already gave up, and finishes a
    // restore that failed because the clipboard was busy. Takes no snapshot itself.
    void clipboardChanged();
    // "Löschen" of store 1: empties the Windows clipboard, then takes the snapshot.
    void clearClipboard();
    // "Löschen" of store 2 or 3.
    void clearStore(int n);
    // Called once per window whose process the hotkeys cannot reach (it runs with higher
    // rights than the program): the action there touches nothing and sends no key.
    void onUnreachableWindow(std::function<void()> tell) { tellUnreachable_ = std::move(tell); }

  private:
    struct Entry {
        bool registered = false;
        std::uint16_t atom = 0;
        int id = 0;
        std::uint8_t key = 0;  // virtual-key code
    };
    // What the clipboard showed at one moment: tells new content from a mere move of
    // the sequence number (Wine's clipboard manager and clipboard tools move it).
    struct Look {
        std::uint32_t sequence = 0;
        std::uint32_t owner = 0;  // the process that put it there, 0: unknown
        struct Content {
            std::vector<std::uint32_t> formats;  // sorted
            std::optional<std::string> text;     // as read: of a long text its beginning
            std::size_t textLength = 0;
            int pictureWidth = 0, pictureHeight = 0;
            bool operator==(const Content&) const = default;
        };
        std::optional<Content> content;  // unset: the clipboard could not be read
    };
    // A capture that gave up before the application copied; its copy may still come. The
    // watch ends at the person's next key press or click: a copy made by hand after that
    // is the person's own.
    struct LateCopyWatch {
        int store = 0;
        std::uint32_t process = 0;  // the application the keystroke went to
        std::uint64_t presses = 0;
        std::chrono::steady_clock::time_point until;
    };
    // The user's clipboard as the last action found it, for as long as it may still have
    // to go back: during the action, while its restore is owed (another program held the
    // clipboard), and while a late copy is watched for. It is given up only once it is
    // back or new content really came (by the clipboard's content, not its sequence).
    struct UsersClipboard {
        std::shared_ptr<const platform::ClipboardSnapshot> snapshot;
        bool owed = false;
        Look left;  // the clipboard as the program last left it
        std::optional<LateCopyWatch> late;
    };

    // A hotkey or a piece of work waiting behind the running action.
    struct Pending {
        int assignment = -1;  // -1: `work`
        std::function<void()> work;
    };

    void runPending();
    void runHotkey(int assignment);
    void capture(int store, const Keystroke& keystroke, std::uint32_t target);
    void paste(int store, const Keystroke& keystroke, std::uint32_t target);
    bool takeUsersClipboard();
    void dropUsersClipboardWhenDone();
    bool waitForFreeClipboard(std::chrono::steady_clock::time_point changed);
    bool takeCopy(int store);
    std::optional<platform::Clipboard::Reading> readWhole();
    Look look();
    bool showClipboard();
    void restoreSnapshot();
    void settleAfterAction();

    StoreSet& stores_;
    platform::HotkeyApi& hotkeys_;
    platform::Clipboard& clipboard_;
    platform::KeyInput& keys_;
    platform::EventLoop& loop_;

    std::array<Entry, kAssignmentCount> entries_;
    std::vector<std::string> refused_;
    bool everRegistered_ = false;
    bool hooked_ = false;

    bool busy_ = false;
    // The clipboard holds what the running action put there (its marker or offer): when
    // the action fails, the user's clipboard goes back.
    bool placed_ = false;
    std::deque<Pending> queued_;
    // Per entry, the press of its key that ran it last.
    std::array<std::optional<std::uint64_t>, kAssignmentCount> lastPress_{};
    // The longest delay seen between the program's change and a neighbour's hold.
    platform::Millis neighbourDelay_{0};

    std::optional<UsersClipboard> users_;
    // The clipboard's sequence number when store 1 was last read for showing.
    std::optional<std::uint32_t> shownSequence_;
    std::function<void()> tellUnreachable_;
    std::vector<std::uintptr_t> toldUnreachable_;  // the windows told of
};

}  // namespace trifolio
