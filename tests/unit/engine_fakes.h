// Fakes of the platform interfaces the hotkey engine uses, behaving like the system
// as far as the engine can tell: a clipboard with formats, sequence numbers, the
// marker and delayed rendering; keyboard input with a logical key state; hotkeys under
// atoms that another program may already own; a message loop on a fake clock; and a
// scripted foreground application that reacts to the synthesised keys after a delay.
//
// Everything that happens is written, in order, into one journal, so a test can see
// how the engine's steps and the application's reactions interleave.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hotkeys/engine.h"
#include "hotkeys/keys.h"
#include "platform/platform.h"
#include "stores/store.h"
#include "window/form.h"

namespace trifolio::engine_fakes {

using namespace std::chrono_literals;
using platform::Millis;
using Clock = std::chrono::steady_clock;
using Journal = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Message loop on a fake clock

class FakeEventLoop : public platform::EventLoop {
  public:
    explicit FakeEventLoop(Journal& journal) : journal_(journal) {}

    // Something that happens `delay` from now: a message, an application's reaction.
    void after(Millis delay, std::function<void()> what) {
        events_.emplace(now_ + delay, std::move(what));
    }
    // The program sits idle in its main loop for `span`.
    void idle(Millis span) {
        const auto end = now_ + span;
        while (!events_.empty() && events_.begin()->first <= end) {
            now_ = std::max(now_, events_.begin()->first);
            runDue();
        }
        now_ = end;
    }

    void pumpOnce() override {
        journal_.push_back("pump");
        runDue();
    }
    bool waitUntil(const std::function<bool()>& done, Millis bound) override {
        const auto deadline = now_ + bound;
        for (;;) {
            runDue();
            if (done())
                return true;
            if (now_ >= deadline)
                return false;
            now_ = events_.empty() ? deadline : std::min(deadline, events_.begin()->first);
        }
    }
    Clock::time_point now() override { return now_; }

  private:
    void runDue() {
        while (!events_.empty() && events_.begin()->first <= now_) {
            auto node = events_.extract(events_.begin());
            node.mapped()();
        }
    }

    Journal& journal_;
    Clock::time_point now_{};
    std::multimap<Clock::time_point, std::function<void()>> events_;
};

// ---------------------------------------------------------------------------
// Clipboard

class FakePicture : public platform::Picture {
  public:
    explicit FakePicture(std::string label) : name(std::move(label)) {}
    int width() const override { return 32; }
    int height() const override { return 24; }
    std::string name;
};

inline platform::PicturePtr makePicture(std::string name) {
    return std::make_shared<FakePicture>(std::move(name));
}

// One format's data: text or bytes, or a picture for the picture formats.
struct ClipData {
    std::string bytes;
    platform::PicturePtr picture;
    bool delayed = false;  // rendered by the owner only when someone reads it
    friend bool operator==(const ClipData& a, const ClipData& b) {
        return a.bytes == b.bytes && a.picture == b.picture;
    }
};
using ClipFormats = std::map<std::uint32_t, ClipData>;

class FakeClipboard : public platform::Clipboard {
  public:
    struct Snapshot : platform::ClipboardSnapshot {
        explicit Snapshot(ClipFormats data) : formats(std::move(data)) {}
        ClipFormats formats;
    };

    explicit FakeClipboard(Journal& journal) : journal_(journal) {}

    // Another program holds the clipboard open: every operation that opens it fails.
    bool heldByOther = false;
    // Formats a restore does not put back (the OLE link formats are such).
    std::set<std::uint32_t> notRestored;
    // Called after each of the program's clipboard steps ("read", "restore", ...), for
    // another program that reacts to them.
    std::function<void(const std::string&)> afterStep;

    const ClipFormats& formats() const { return formats_; }
    std::optional<std::string> textNow() const {
        auto it = formats_.find(platform::kFormatText);
        return it == formats_.end() ? std::nullopt : std::optional(it->second.bytes);
    }

    // An application (or the user through one) empties the clipboard and puts `data` in.
    void write(ClipFormats data) {
        formats_ = std::move(data);
        marker_ = false;
        ++sequence_;
        journal_.push_back("app writes");
    }
    // An application reads one format; delayed data is rendered by its owner first.
    std::optional<ClipData> readAsApp(std::uint32_t format) {
        auto it = formats_.find(format);
        if (it == formats_.end())
            return std::nullopt;
        if (it->second.delayed) {
            it->second.delayed = false;
            ++renders_;
            journal_.push_back("render " + std::to_string(format));
        }
        return it->second;
    }
    // Wine's clipboard manager moves the sequence number without changing the content.
    void bumpSequence() { ++sequence_; }

    std::uint32_t sequenceNumber() override { return sequence_; }

    std::optional<Reading> read(bool whole) override {
        if (heldByOther)
            return std::nullopt;
        step(whole ? "snapshot" : "read");
        Reading reading;
        for (auto& [format, data] : formats_) {
            reading.content.formats.push_back(format);
            render(data);
        }
        if (auto it = formats_.find(platform::kFormatText); it != formats_.end())
            reading.content.text = it->second.bytes;
        for (auto format : {platform::kFormatBitmap, platform::kFormatDib,
                            platform::kFormatEnhMetafile, platform::kFormatMetafilePict}) {
            if (auto it = formats_.find(format); it != formats_.end() && it->second.picture) {
                reading.content.picture = it->second.picture;
                break;
            }
        }
        if (whole)
            reading.whole = std::make_shared<Snapshot>(formats_);
        return reading;
    }
    bool clearWithMarker() override {
        if (heldByOther)
            return false;
        formats_.clear();
        marker_ = true;
        ++sequence_;
        step("clear with marker");
        return true;
    }
    bool markerPresent() override { return marker_; }
    bool clear() override {
        if (heldByOther)
            return false;
        formats_.clear();
        marker_ = false;
        ++sequence_;
        step("clear");
        return true;
    }
    bool offer(const std::optional<std::string>& text,
               const platform::PicturePtr& picture) override {
        if (heldByOther)
            return false;
        formats_.clear();
        marker_ = false;
        if (text)
            formats_[platform::kFormatText] = ClipData{*text, nullptr, true};
        if (picture)
            formats_[platform::kFormatBitmap] = ClipData{{}, picture, true};
        ++sequence_;
        step("offer");
        return true;
    }
    int renderCount() override { return renders_; }
    bool restore(const platform::ClipboardSnapshot& snapshot) override {
        if (heldByOther)
            return false;
        formats_ = dynamic_cast<const Snapshot&>(snapshot).formats;
        for (auto format : notRestored)
            formats_.erase(format);
        marker_ = false;
        ++sequence_;
        step("restore");
        return true;
    }

  private:
    void step(const std::string& what) {
        journal_.push_back(what);
        if (afterStep)
            afterStep(what);
    }
    void render(ClipData& data) {
        if (data.delayed) {
            data.delayed = false;
            ++renders_;
        }
    }

    Journal& journal_;
    ClipFormats formats_;
    bool marker_ = false;
    std::uint32_t sequence_ = 1;
    int renders_ = 0;
};

inline ClipData clipBytes(std::string bytes) {
    return ClipData{std::move(bytes), nullptr, false};
}
inline ClipFormats textFormats(const std::string& text) {
    return {{platform::kFormatText, clipBytes(text)}};
}

// ---------------------------------------------------------------------------
// Keyboard input

class RecordingKeyInput : public platform::KeyInput {
  public:
    explicit RecordingKeyInput(Journal& journal) : journal_(journal) {}

    std::vector<std::vector<platform::KeyEvent>> batches;
    // The foreground application sees each event after the key state has changed.
    std::function<void(const platform::KeyEvent&)> onEvent;

    // The user holds a key (left/right codes: 0xA2 left Ctrl, 0xA4 left Alt, ...).
    void hold(std::uint8_t key) { down_.insert(key); }
    const std::set<std::uint8_t>& down() const { return down_; }

    void send(std::span<const platform::KeyEvent> events) override {
        journal_.push_back("keys");
        batches.emplace_back(events.begin(), events.end());
        for (const auto& event : events) {
            if (event.release)
                down_.erase(sided(event.virtualKey));
            else
                down_.insert(sided(event.virtualKey));
            if (onEvent)
                onEvent(event);
        }
    }
    bool isDown(std::uint8_t key) override {
        switch (key) {
            case 0x10:
                return down_.count(0xA0) || down_.count(0xA1);
            case 0x11:
                return down_.count(0xA2) || down_.count(0xA3);
            case 0x12:
                return down_.count(0xA4) || down_.count(0xA5);
            default:
                return down_.count(key) != 0;
        }
    }

  private:
    // As on Windows, a Shift, Ctrl or Alt event without the extended flag is the left key.
    static std::uint8_t sided(std::uint8_t key) {
        switch (key) {
            case 0x10:
                return 0xA0;
            case 0x11:
                return 0xA2;
            case 0x12:
                return 0xA4;
            default:
                return key;
        }
    }

    Journal& journal_;
    std::set<std::uint8_t> down_;
};

// ---------------------------------------------------------------------------
// The foreground application

// Reacts like an editor: Ctrl+C or Ctrl+X copies the selection, Ctrl+V reads the
// clipboard. With Alt, Shift or Win also down the keystroke means something else (on a
// German keyboard Ctrl+Alt is AltGr) and nothing happens.
class FakeTarget {
  public:
    struct Paste {
        std::optional<std::string> text;
        platform::PicturePtr picture;
        std::vector<std::uint32_t> offered;  // the formats on the clipboard at the first read
    };

    FakeTarget(RecordingKeyInput& keys, FakeClipboard& clipboard, FakeEventLoop& loop,
               Journal& journal)
        : keys_(keys), clipboard_(clipboard), loop_(loop), journal_(journal) {
        keys_.onEvent = [this](const platform::KeyEvent& e) { onKey(e); };
    }

    ClipFormats selection;  // empty: nothing selected, a copy puts nothing in
    Millis copyDelay{0};
    Millis pasteDelay{0};
    // The formats a paste reads, one after the other, `readSpacing` apart.
    std::vector<std::uint32_t> pasteReads{platform::kFormatText};
    Millis readSpacing{0};

    int copies = 0;
    std::vector<Paste> pastes;

  private:
    void onKey(const platform::KeyEvent& e) {
        if (e.release || !keys_.isDown(0x11))
            return;
        if (keys_.isDown(0x10) || keys_.isDown(0x12) || keys_.isDown(0x5B) || keys_.isDown(0x5C))
            return;
        if ((e.virtualKey == 'C' || e.virtualKey == 'X') && !selection.empty()) {
            loop_.after(copyDelay, [this] {
                ++copies;
                clipboard_.write(selection);
            });
        } else if (e.virtualKey == 'V') {
            loop_.after(pasteDelay, [this] {
                pastes.emplace_back();
                for (const auto& [format, data] : clipboard_.formats())
                    pastes.back().offered.push_back(format);
                readPaste(0);
            });
        }
    }
    void readPaste(std::size_t i) {
        const std::uint32_t format = pasteReads[i];
        journal_.push_back("app reads " + std::to_string(format));
        if (auto data = clipboard_.readAsApp(format)) {
            if (format == platform::kFormatText)
                pastes.back().text = data->bytes;
            else
                pastes.back().picture = data->picture;
        }
        if (i + 1 < pasteReads.size())
            loop_.after(readSpacing, [this, i] { readPaste(i + 1); });
    }

    RecordingKeyInput& keys_;
    FakeClipboard& clipboard_;
    FakeEventLoop& loop_;
    Journal& journal_;
};

// ---------------------------------------------------------------------------
// Hotkeys and atoms

class FakeHotkeyApi : public platform::HotkeyApi {
  public:
    using Combination = std::pair<std::uint32_t, std::uint32_t>;  // modifiers, key

    explicit FakeHotkeyApi(Journal& journal) : journal_(journal) {}

    // Combinations another program has registered.
    std::set<Combination> takenElsewhere;

    const std::map<int, Combination>& registered() const { return registered_; }
    // Atoms of the program's names still alive (reference count above zero).
    int liveAtoms() const {
        return static_cast<int>(std::count_if(atoms_.begin(), atoms_.end(),
                                              [](const auto& a) { return a.second.refs > 0; }));
    }
    // The identifier the system posts when the user presses the combination.
    std::optional<int> press(Combination combination) const {
        for (const auto& [id, c] : registered_)
            if (c == combination)
                return id;
        return std::nullopt;
    }

    std::uint16_t addAtom(const std::string& name) override {
        journal_.push_back("add atom " + name);
        Atom& atom = atoms_[name];
        if (atom.refs++ == 0)
            atom.value = nextAtom_++;
        return atom.value;
    }
    void deleteAtom(std::uint16_t value) override {
        for (auto& [name, atom] : atoms_) {
            if (atom.value == value && atom.refs > 0) {
                journal_.push_back("delete atom " + name);
                --atom.refs;
            }
        }
    }
    bool registerHotkey(int id, std::uint32_t modifiers, std::uint32_t key) override {
        journal_.push_back("register " + std::to_string(id));
        const Combination combination{modifiers, key};
        if (takenElsewhere.count(combination) || press(combination) || registered_.count(id))
            return false;
        registered_[id] = combination;
        return true;
    }
    bool unregisterHotkey(int id) override {
        journal_.push_back("unregister " + std::to_string(id));
        return registered_.erase(id) > 0;
    }

  private:
    struct Atom {
        std::uint16_t value = 0;
        int refs = 0;
    };
    Journal& journal_;
    std::map<std::string, Atom> atoms_;
    std::uint16_t nextAtom_ = 0xC0A0;
    std::map<int, Combination> registered_;
};

// ---------------------------------------------------------------------------
// The engine wired to all of the above, with the settings window's lists filled and
// assigned as a first start leaves them.

struct EngineRig {
    Journal journal;
    FakeEventLoop loop{journal};
    FakeClipboard clipboard{journal};
    RecordingKeyInput keys{journal};
    FakeHotkeyApi hotkeys{journal};
    FakeTarget target{keys, clipboard, loop, journal};
    Form form;
    StoreSet stores;
    HotkeyEngine engine{form, stores, hotkeys, clipboard, keys, loop};

    EngineRig() {
        fillAssignmentLists(form);
        assign(Cut2, "STRG+ALT", "X");
        assign(Copy2, "STRG+ALT", "C");
        assign(Paste2, "STRG+ALT", "V");
        assign(Cut3, "STRG", "-");
        assign(Copy3, "-", "F11");
        assign(Paste3, "ALT", "F12");
    }

    void assign(int assignment, const std::string& modifier, const std::string& key) {
        form.combo(modifierListNumber(assignment)).setText(modifier);
        form.combo(keyListNumber(assignment)).setText(key);
    }
    FakeHotkeyApi::Combination combination(int assignment) const {
        return {modifierFlags(form.combo(modifierListNumber(assignment)).text()),
                keyCode(form.combo(keyListNumber(assignment)).text())};
    }
    // The user presses an assignment's hotkey and is still holding its modifiers when
    // the system posts the message.
    void press(int assignment) {
        const auto combo = combination(assignment);
        if (combo.first & 1)
            keys.hold(0xA4);
        if (combo.first & 2)
            keys.hold(0xA2);
        if (auto id = hotkeys.press(combo))
            engine.onHotkey(*id);
    }
    // The same, `delay` from now, while the program runs.
    void pressLater(Millis delay, int assignment) {
        loop.after(delay, [this, assignment] { press(assignment); });
    }

    std::size_t count(const std::string& entry) const {
        return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
    }
};

}  // namespace trifolio::engine_fakes
