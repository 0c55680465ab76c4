// The operating-system services the program's logic needs, as small interfaces.
//
// Everything under core/ reaches the system only through these. win32/ implements them
// with Win32 calls; the unit tests implement them with fakes. Texts are UTF-8
// throughout; conversion to UTF-16 or to Windows-1252 happens at the edge.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace trifolio::platform {

using Millis = std::chrono::milliseconds;

// ---------------------------------------------------------------------------
// Message boxes

enum class Buttons { Ok, YesNo };
enum class Icon { None, Exclamation, Question, Stop };
enum class Answer { Ok, Yes, No };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Modal message box. `defaultNo` makes No the default button of a Yes/No box.
    virtual Answer messageBox(const std::string& title, const std::string& text, Buttons buttons,
                              Icon icon, bool defaultNo) = 0;
};

// ---------------------------------------------------------------------------
// Files (whole-file byte I/O; the caller encodes text)

class Files {
  public:
    virtual ~Files() = default;
    // Reads the whole file, or only its first `limit` bytes. On failure returns nullopt and
    // a description in `error`.
    virtual std::optional<std::string> read(const std::string& path, std::string& error,
                                            std::size_t limit = SIZE_MAX) = 0;
    // False only when the file is known not to exist; a file that exists but cannot be
    // read counts as existing, so that reading it reports why.
    virtual bool exists(const std::string& path) = 0;
    // Replaces the file with `bytes` so that it is either the old or the complete new file,
    // never a partial one. On failure the old file is untouched and `error` says why.
    virtual bool writeAtomically(const std::string& path, const std::string& bytes,
                                 std::string& error) = 0;
};

// ---------------------------------------------------------------------------
// Registry (string values under HKEY_CURRENT_USER)

class Registry {
  public:
    virtual ~Registry() = default;
    // Creates the key when needed and writes a REG_SZ value.
    virtual bool setString(const std::string& keyPath, const std::string& name,
                           const std::string& value) = 0;
    virtual bool deleteValue(const std::string& keyPath, const std::string& name) = 0;
};

// ---------------------------------------------------------------------------
// The running process

class Process {
  public:
    virtual ~Process() = default;
    // Full path of the running executable.
    virtual std::string executablePath() = 0;
    // The arguments after the program's own name, as one text.
    virtual std::string commandLine() = 0;
};

// ---------------------------------------------------------------------------
// System-wide hotkeys under global atoms

class HotkeyApi {
  public:
    virtual ~HotkeyApi() = default;
    // Returns the atom for `name`, 0 on failure.
    virtual std::uint16_t addAtom(const std::string& name) = 0;
    virtual void deleteAtom(std::uint16_t atom) = 0;
    // Modifier flags: 1 Alt, 2 Control. False when the system refuses the combination.
    virtual bool registerHotkey(int id, std::uint32_t modifiers, std::uint32_t virtualKey) = 0;
    virtual bool unregisterHotkey(int id) = 0;
};

// ---------------------------------------------------------------------------
// Synthetic keyboard input

struct KeyEvent {
    std::uint8_t virtualKey = 0;
    bool release = false;
    // A press of a key the person held, put back after a keystroke: it goes through only
    // if the person still holds the key when the system comes to it, so that a release
    // that crossed it leaves no key down.
    bool whileHeld = false;
    // The key's scan code on the person's layout (scanCode) and its extended flag
    // (vk::isExtended): some applications look only at these.
    std::uint16_t scanCode = 0;
    bool extended = false;
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

class KeyInput {
  public:
    virtual ~KeyInput() = default;
    // Puts the events into the system's input stream as one uninterrupted batch and
    // returns how many of them went in (the system may take only the first few).
    virtual std::size_t send(std::span<const KeyEvent> events) = 0;
    // The scan code of the key that gives `virtualKey` on the person's keyboard layout;
    // 0 for none (the unassigned mask key).
    virtual std::uint16_t scanCode(std::uint8_t virtualKey) = 0;
    // True while the person holds the key down: the state of the keyboard itself, which
    // the program's own synthesised events do not change. Left and right modifier keys
    // have codes of their own (0xA0 left Shift ... 0xA5 right Alt, 0x5B/0x5C Win); the
    // codes for either Shift, Ctrl or Alt (0x10 to 0x12) stand for the left key.
    virtual bool held(std::uint8_t virtualKey) = 0;
    // How often the person has pressed this key so far (the key going down, not its
    // repeats while held); nullopt when real input cannot be told from synthesised.
    virtual std::optional<std::uint64_t> pressesOf(std::uint8_t virtualKey) = 0;
    // How often the person has pressed any key or mouse button so far; nullopt as above.
    virtual std::optional<std::uint64_t> presses() = 0;
    // The foreground window, which the keys go to.
    struct Window {
        std::uintptr_t handle = 0;  // 0: none
        std::string windowClass;
        // Its process, which reads the clipboard for it; 0 when unknown. For a Store app,
        // whose frame belongs to another process, the app's own process.
        std::uint32_t process = 0;
        // Its process runs at a higher integrity level than the program, or its level
        // cannot be read: the system drops the program's keys to it without a word.
        bool unreachable = false;
    };
    virtual Window foregroundWindow() = 0;
    // The watch behind held, pressesOf and presses can stop without notice (the system
    // removes it when it once answered too late: after resume, under load); it then
    // reports the keyboard as it was. It proves it is alive by seeing the program's own
    // events: probeWatch sends an event that only the watch sees, and watchSawAll is true
    // once every event the program sent, probes included, has come through it.
    virtual void probeWatch() = 0;
    virtual bool watchSawAll() = 0;
    // Installs the watch anew. What it knows of the keyboard is then the system's state,
    // and a key down at that moment counts as a new press. False when no watch could be
    // installed: pressesOf and presses are then nullopt.
    virtual bool rewatch() = 0;
};

// ---------------------------------------------------------------------------
// Waiting on the user-interface thread

class EventLoop {
  public:
    virtual ~EventLoop() = default;
    // Lets the program's pending window messages run once and returns.
    virtual void pumpOnce() = 0;
    // Handles messages until `done()` is true or `bound` has passed; returns `done()`.
    virtual bool waitUntil(const std::function<bool()>& done, Millis bound) = 0;
    virtual std::chrono::steady_clock::time_point now() = 0;
};

// ---------------------------------------------------------------------------
// The clipboard

// Clipboard format numbers the program looks at.
enum ClipFormat : std::uint32_t {
    kFormatText = 1,
    kFormatBitmap = 2,
    kFormatMetafilePict = 3,
    kFormatDib = 8,
    kFormatPalette = 9,
    kFormatEnhMetafile = 14,
    kFormatFileList = 15,
    kFormatLink = 0xBF00,  // DDE link information ("Link")
    kFormatRtf = 0xBF01,   // "Rich Text Format"
};

// A picture held by a store: a bitmap or a metafile on Windows. Opaque to the logic.
class Picture {
  public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};
using PicturePtr = std::shared_ptr<const Picture>;

// Everything the clipboard held at one moment, every format that can be copied, each
// kept once: what a restore puts back and what a store 2 or 3 pastes.
class ClipboardSnapshot {
  public:
    virtual ~ClipboardSnapshot() = default;
};

// Of a longer plain text a reading converts only this many UTF-16 units, the beginning
// that the Status page shows; the snapshot keeps the text whole.
inline constexpr std::size_t kTextReadUnits = 64 * 1024;

// What the program sees of the clipboard at one moment.
struct ClipboardContent {
    std::vector<std::uint32_t> formats;  // every format offered, derived ones included
    // The plain text, when offered and readable: all of it, or the first kTextReadUnits
    // UTF-16 units of a longer one; and the whole text's length in characters.
    std::optional<std::string> text;
    std::size_t textLength = 0;
    PicturePtr picture;  // the bitmap or metafile, when offered and readable
    // Another program marked the content as not to be shown or kept by clipboard tools
    // (a password manager's); text and picture are then not read.
    bool confidential = false;
    bool offers(std::uint32_t format) const {
        for (auto f : formats)
            if (f == format)
                return true;
        return false;
    }
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Changes whenever the clipboard's content changes.
    virtual std::uint32_t sequenceNumber() = 0;
    // True while another program has the clipboard open.
    virtual bool heldElsewhere() = 0;
    // Reads the formats offered, the plain text and one picture (and renders no other
    // format a program offers late); with `whole` also a snapshot of every format for
    // restore. Returns nullopt when the clipboard could not be opened.
    struct Reading {
        ClipboardContent content;
        std::shared_ptr<const ClipboardSnapshot> whole;
    };
    virtual std::optional<Reading> read(bool whole) = 0;
    // Empties the clipboard and leaves only the program's private marker in it.
    virtual bool clearWithMarker() = 0;
    // True while the private marker is still the clipboard's content.
    virtual bool markerPresent() = 0;
    // Empties the clipboard.
    virtual bool clear() = 0;
    // Empties the clipboard and offers every format of `content` (nothing when null),
    // each rendered only when a program reads it.
    virtual bool offer(std::shared_ptr<const ClipboardSnapshot> content) = 0;
    // Names the process the keystroke goes to. From then on, reads of the offer placed
    // last by `target` (0: unknown) and by readers that cannot be told apart are served;
    // another program's read, and before the call every read (nobody was asked to paste
    // yet: the readers are programs woken by the change), is counted but gets nothing, so
    // that each format stays unread until the target comes to it, and its read shows.
    virtual void serveOffer(std::uint32_t target) = 0;
    // How often offered content has been read so far by `process` (0 counts every read,
    // also by programs that cannot be told apart). Other programs' reads are served too
    // but do not count.
    virtual int readsBy(std::uint32_t process) = 0;
    // The process whose window put the current content there; 0 when unknown.
    virtual std::uint32_t ownerProcess() = 0;
    // Puts a snapshot back as the clipboard's whole content. Large formats may be
    // rendered only when read, from the snapshot, which is kept meanwhile.
    virtual bool restore(std::shared_ptr<const ClipboardSnapshot> snapshot) = 0;
};

// ---------------------------------------------------------------------------
// Keyboard layouts

// What a key types on one keyboard layout.
struct TypedText {
    std::string layout;  // the layout's name as the system shows it, "Deutsch (Deutschland)"
    std::string text;    // UTF-8; empty when the key types nothing there
};

class KeyboardLayouts {
  public:
    virtual ~KeyboardLayouts() = default;
    // For each keyboard layout the person has installed, in the system's order, what
    // `virtualKey` types with Ctrl and/or Alt held down (AltGr is Ctrl+Alt).
    virtual std::vector<TypedText> typedBy(std::uint32_t virtualKey, bool control, bool alt) = 0;
};

}  // namespace trifolio::platform
