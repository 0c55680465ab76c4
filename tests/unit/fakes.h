// Honest in-memory stand-ins for the platform interfaces (the clipboard's steps go into a
// journal; the foreground editor reacts late, on a fake clock), and the program on them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../support/memory_files.h"
#include "core/formats/text.h"
#include "core/hotkeys/engine.h"
#include "core/settings/settings.h"
#include "core/window/app.h"
#include "platform/keys.h"
#include "platform/platform.h"

namespace trifolio::fakes {

using namespace std::chrono_literals;
using platform::Millis;
using Journal = std::vector<std::string>;

inline constexpr const char* kProgramDir = "C:\\Programme\\Trifolio 1.1\\";
inline constexpr const char* kExecutable = "C:\\Programme\\Trifolio 1.1\\trifolio.exe";

// The example settings a first start writes: Windows-1252, CR LF, 29 lines.
inline const std::string kExampleOptions =
    "\"Ablage 2, Ausschneiden:\"\r\n\"STRG+ALT\"\r\n\"X\"\r\n\"\"\r\n"
    "\"Ablage 2, Kopieren:\"\r\n\"STRG+ALT\"\r\n\"C\"\r\n\"\"\r\n"
    "\"Ablage 2, Einf\xFCgen:\"\r\n\"STRG+ALT\"\r\n\"V\"\r\n\"\"\r\n"
    "\"Ablage 3, Ausschneiden:\"\r\n\"-\"\r\n\"-\"\r\n\"\"\r\n"
    "\"Ablage 3, Kopieren:\"\r\n\"-\"\r\n\"F11\"\r\n\"\"\r\n"
    "\"Ablage 3, Einf\xFCgen:\"\r\n\"ALT\"\r\n\"F12\"\r\n\"\"\r\n"
    "\"\"\r\n\"Optionen:\"\r\n\"autostart: 1\"\r\n\"minimiert: 0\"\r\n\"warnen: 1\"\r\n";
// `file` with its line `line` (1-based) replaced by `text`.
inline std::string replaceLine(const std::string& file, int line, const std::string& text) {
    std::size_t begin = 0;
    for (int l = 1; l < line; ++l)
        begin = file.find('\n', begin) + 1;
    return file.substr(0, begin) + text + "\r\n" + file.substr(file.find('\n', begin) + 1);
}

// Message boxes, recorded as "title text" and style, answered from a script that must not end.
struct ScriptedDialogs : platform::Dialogs {
    std::vector<std::string> shown;
    std::vector<std::tuple<platform::Buttons, platform::Icon, bool>> styles;  // bool: No default
    std::deque<platform::Answer> answers;

    platform::Answer messageBox(const std::string& title, const std::string& text,
                                platform::Buttons buttons, platform::Icon icon, bool no) override {
        shown.push_back(title + " " + text);
        styles.emplace_back(buttons, icon, no);
        if (buttons == platform::Buttons::Ok)
            return platform::Answer::Ok;
        EXPECT_FALSE(answers.empty()) << "unexpected question: " << shown.back();
        const auto answer = answers.empty() ? platform::Answer::Yes : answers.front();
        answers.erase(answers.begin(), answers.begin() + !answers.empty());
        return answer;
    }
};

// Message loop on a fake clock: `after` schedules an event; waiting moves to the next.
class FakeEventLoop : public platform::EventLoop {
  public:
    using Time = std::chrono::steady_clock::time_point;
    void after(Millis delay, std::function<void()> what) {
        events_.emplace(now_ + delay, std::move(what));
    }
    void idle(Millis span) {
        waitUntil([] { return false; }, span);
    }
    void pumpOnce() override { idle(0ms); }
    bool waitUntil(const std::function<bool()>& done, Millis bound) override {
        for (const auto deadline = now_ + bound;;) {
            while (!events_.empty() && events_.begin()->first <= now_)
                events_.extract(events_.begin()).mapped()();
            if (done())
                return true;
            if (now_ >= deadline)
                return false;
            now_ = events_.empty() ? deadline : std::min(deadline, events_.begin()->first);
        }
    }
    Time now() override { return now_; }

  private:
    Time now_{};
    std::multimap<Time, std::function<void()>> events_;
};

struct FakePicture : platform::Picture {
    int width() const override { return 32; }
    int height() const override { return 24; }
};

struct ClipData {
    std::string bytes;
    bool delayed = false;  // rendered by its owner only when someone reads it
    bool operator==(const ClipData& o) const { return bytes == o.bytes; }
};
using ClipFormats = std::map<std::uint32_t, ClipData>;
inline ClipFormats textFormats(const std::string& text) {
    return {{platform::kFormatText, {text}}};
}

inline constexpr std::uint32_t kTrifolioProcess = 1, kEditorProcess = 42, kOtherProcess = 7;

class FakeClipboard : public platform::Clipboard {
  public:
    struct Snapshot : platform::ClipboardSnapshot {
        explicit Snapshot(ClipFormats f) : formats(std::move(f)) {}
        ClipFormats formats;
    };
    explicit FakeClipboard(Journal& journal) : journal_(journal) {}

    ClipFormats formats;
    std::uint32_t sequence = 1, owner = 0;  // Wine may move the sequence without a change
    bool heldByOther = false;               // every step fails
    bool refuseRestore = false, refuseOffer = false;
    std::optional<bool> noMemoryFor;        // reads of this kind (whole or not) run out of memory
    std::function<void()> changed = [] {};  // after every change
    std::vector<std::weak_ptr<const platform::ClipboardSnapshot>> snapshots;  // every whole one

    // An application empties the clipboard and puts `data` in.
    void write(ClipFormats data, std::uint32_t process = kEditorProcess) {
        if (replace(std::move(data), false, "app writes"))
            owner = process;
    }
    // `reader` (0: one that cannot be told) reads one format, rendered first if delayed.
    std::optional<ClipData> readAsEditor(std::uint32_t format,
                                         std::uint32_t reader = kEditorProcess) {
        auto it = formats.find(format);
        if (heldByOther || it == formats.end())
            return std::nullopt;
        if (it->second.delayed &&
            (serving_ == kNobody || (serving_ != 0 && reader != 0 && reader != serving_)))
            return ++renders_[reader], std::nullopt;  // a neighbour's: counted, left unread
        renders_[reader] += std::exchange(it->second.delayed, false);
        return it->second;
    }

    std::uint32_t sequenceNumber() override { return sequence; }
    bool heldElsewhere() override { return heldByOther; }
    std::optional<Reading> read(bool whole) override {
        if (!open(whole ? "snapshot" : "read"))
            return std::nullopt;
        if (noMemoryFor == whole)
            throw std::bad_alloc();
        Reading reading;
        for (const auto& [format, data] : formats)
            reading.content.formats.push_back(format);
        const auto text = formats.find(platform::kFormatText);
        if (text != formats.end())
            reading.content.text = text->second.bytes;
        reading.content.textLength = characterCount(reading.content.text.value_or(""));
        if (whole)
            snapshots.push_back(reading.whole = std::make_shared<Snapshot>(formats));
        return reading;
    }
    bool clearWithMarker() override { return replace({}, true, "clear with marker"); }
    bool markerPresent() override { return marker_; }
    bool clear() override { return replace({}, false, "clear"); }
    bool offer(std::shared_ptr<const platform::ClipboardSnapshot> content) override {
        ClipFormats offered;  // refused: the clipboard is emptied all the same
        if (content && !refuseOffer)
            for (auto [format, data] : dynamic_cast<const Snapshot&>(*content).formats)
                offered.emplace(format, ClipData{data.bytes, true});
        serving_ = kNobody;
        return replace(std::move(offered), false, "offer") && !refuseOffer;
    }
    void serveOffer(std::uint32_t target) override { serving_ = target; }
    int readsBy(std::uint32_t process) override {
        int reads = 0;
        for (auto [reader, n] : renders_)
            reads += process == 0 || reader == process ? n : 0;
        return reads;
    }
    std::uint32_t ownerProcess() override { return owner; }
    bool restore(std::shared_ptr<const platform::ClipboardSnapshot> snapshot) override {
        const auto& saved = dynamic_cast<const Snapshot&>(*snapshot);
        return !refuseRestore && replace(saved.formats, false, "restore");
    }

  private:
    bool open(const char* step) { return !heldByOther && (journal_.push_back(step), true); }
    bool replace(ClipFormats content, bool marker, const char* step) {
        if (!open(step))
            return false;
        formats = std::move(content);
        owner = kTrifolioProcess;
        marker_ = marker;
        ++sequence;
        changed();
        return true;
    }
    Journal& journal_;
    bool marker_ = false;
    std::map<std::uint32_t, int> renders_;  // by reader
    static constexpr std::uint32_t kNobody = 0xFFFFFFFF;
    std::uint32_t serving_ = kNobody;  // whose reads of an offer are served
};

// The system's scan code of a key: one per left or right key, none the virtual key's own.
inline std::uint16_t scanCodeOf(std::uint8_t key) {
    return static_cast<std::uint16_t>(0x100 + vk::sided(key));
}

// The keyboard and the editor in front: `hands` are the keys the person holds, `down` as the
// system has them. Ctrl+C/X copies the selection after `copyDelay`, Ctrl+V reads `pasteReads`
// after `pasteDelay`, `readSpacing` apart; not with Alt, Shift or Win down (Ctrl+Alt is AltGr).
class FakeKeyboard : public platform::KeyInput {
  public:
    FakeKeyboard(FakeClipboard& c, FakeEventLoop& l) : clipboard_(c), loop_(l) {}

    std::vector<std::vector<platform::KeyEvent>> batches;
    std::set<std::uint8_t> down, hands;  // left/right codes: 0xA2 left Ctrl, 0xA4 left Alt, ...
    std::map<std::uint8_t, std::uint64_t> pressCount;
    std::uint64_t allPresses = 0;
    std::size_t accept = SIZE_MAX;  // events the system takes of the next batch
    // The watch: removed by the system it sees nothing and tells the keyboard as it was;
    // `none` when it cannot be installed (`held` is then the system's state).
    struct Watch {
        std::set<std::uint8_t> hands;
        std::map<std::uint8_t, std::uint64_t> pressCount;
    };
    std::optional<Watch> removed;
    bool none = false;
    int rewatches = 0;

    ClipFormats selection;  // empty: a copy puts nothing in
    Millis copyDelay{0}, pasteDelay{0}, readSpacing{0};
    std::vector<std::uint32_t> pasteReads{platform::kFormatText};
    std::vector<ClipFormats> pastes;  // what each paste got

    std::size_t send(std::span<const platform::KeyEvent> events) override {
        const std::size_t taken = std::min(std::exchange(accept, SIZE_MAX), events.size());
        batches.emplace_back(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(taken));
        for (const auto& e : events.first(taken)) {
            if (e.whileHeld && !removed && !none && !held(e.virtualKey))
                continue;  // let go of before the system came to it
            e.release ? (void)down.erase(vk::sided(e.virtualKey))
                      : (void)down.insert(vk::sided(e.virtualKey));
            if (!e.release)
                react(e.virtualKey);
        }
        return taken;
    }
    std::uint16_t scanCode(std::uint8_t key) override { return scanCodeOf(key); }
    bool held(std::uint8_t key) override {
        return (none ? down : removed ? removed->hands : hands).count(vk::sided(key)) > 0;
    }
    std::optional<std::uint64_t> pressesOf(std::uint8_t key) override {
        return none ? std::nullopt
                    : std::optional((removed ? removed->pressCount : pressCount)[vk::sided(key)]);
    }
    std::optional<std::uint64_t> presses() override {
        return none ? std::nullopt : std::optional(allPresses);
    }
    Window foreground{0x10, "Notepad", kEditorProcess};
    Window foregroundWindow() override { return foreground; }
    void probeWatch() override {}
    bool watchSawAll() override { return !removed; }
    bool rewatch() override {
        ++rewatches;
        if (std::exchange(removed, std::nullopt))
            for (auto key : hands)
                ++pressCount[key];
        return !none;
    }
    void removeWatch() { removed = Watch{hands, pressCount}; }

    // The person presses a key (or it repeats), or lets go.
    void press(std::uint8_t key, bool repeat = false) {
        key = vk::sided(key);
        pressCount[key] += !repeat, allPresses += !repeat;
        hands.insert(key), down.insert(key);
    }
    void release(std::uint8_t key) { hands.erase(vk::sided(key)), down.erase(vk::sided(key)); }
    void react(std::uint8_t key) {
        // The left key or the right one after it: Ctrl, but not Shift, Alt or Win.
        const auto either = [this](std::uint8_t k) { return down.count(k) || down.count(++k); };
        if (!either(0xA2) || either(0xA0) || either(0xA4) || either(0x5B))
            return;
        if ((key == 'C' || key == 'X') && !selection.empty())
            loop_.after(copyDelay, [this] { clipboard_.write(selection); });
        if (key == 'V')
            loop_.after(pasteDelay, [this] { pastes.emplace_back(), readPaste(0); });
    }

  private:
    void readPaste(std::size_t i) {
        if (auto data = clipboard_.readAsEditor(pasteReads[i]))
            pastes.back()[pasteReads[i]] = *data;
        if (i + 1 < pasteReads.size())
            loop_.after(readSpacing, [this, i] { readPaste(i + 1); });
    }
    FakeClipboard& clipboard_;
    FakeEventLoop& loop_;
};

// System-wide hotkeys; atom 0xC0A0 + i is the name kAssignmentNames[i].
class FakeHotkeyApi : public platform::HotkeyApi {
  public:
    using Combination = std::pair<std::uint32_t, std::uint32_t>;  // modifiers, key

    std::set<Combination> takenElsewhere;  // registered by another program
    std::map<int, Combination> registered;
    std::array<int, kAssignmentCount> atomRefs{};

    std::optional<int> press(Combination combination) const {
        const auto it = std::find_if(registered.begin(), registered.end(),
                                     [&](const auto& r) { return r.second == combination; });
        return it == registered.end() ? std::nullopt : std::optional(it->first);
    }

    std::uint16_t addAtom(const std::string& name) override {
        const auto i = std::ranges::find(kAssignmentNames, name) - kAssignmentNames.begin();
        ++atomRefs.at(static_cast<std::size_t>(i));
        return static_cast<std::uint16_t>(0xC0A0 + i);
    }
    void deleteAtom(std::uint16_t atom) override { --atomRefs.at(atom - 0xC0A0u); }
    bool registerHotkey(int id, std::uint32_t modifiers, std::uint32_t key) override {
        return !takenElsewhere.count({modifiers, key}) && !press({modifiers, key}) &&
               registered.emplace(id, Combination{modifiers, key}).second;
    }
    bool unregisterHotkey(int id) override { return registered.erase(id) > 0; }
};

// The shell: a notification area taking one icon when ready, the menu, the browser.
class FakeShell : public platform::Tray, public platform::WindowHost {
  public:
    bool ready = true, browser = true;  // takes the icon; opens addresses
    int icons = 0;
    platform::MenuCommand choice = platform::MenuCommand::None;  // picked from the next menu
    std::vector<std::string> opened, balloons;

    bool add() override { return ready && icons == 0 && ++icons; }
    void remove() override { icons = 0; }
    void notify(const std::string& title, const std::string& text) override {
        EXPECT_EQ(icons, 1) << "a balloon needs the icon";
        balloons.push_back(title + " " + text);
    }
    platform::MenuCommand popupMenu() override {
        return std::exchange(choice, platform::MenuCommand::None);
    }
    bool openUrl(const std::string& url) override { return opened.push_back(url), browser; }
};

// Installed keyboard layouts as a table of what Ctrl+Alt (AltGr) with a key types; Ctrl
// with a letter types its control character, as on Windows.
struct FakeLayouts : platform::KeyboardLayouts {
    struct Layout {
        std::string name;
        std::map<char, std::string> altGr;
    };
    std::vector<Layout> installed;
    std::vector<platform::TypedText> typedBy(std::uint32_t key, bool control, bool alt) override {
        std::vector<platform::TypedText> typed;
        for (const auto& [name, altGr] : installed) {
            const auto found = altGr.find(static_cast<char>(key));
            typed.push_back({name, control && alt && found != altGr.end() ? found->second
                                   : control && !alt && key >= 'A' && key <= 'Z'
                                       ? std::string(1, static_cast<char>(key - 'A' + 1))
                                       : ""});
        }
        return typed;
    }
};
// The real settings, hotkey engine and window logic over the fakes.
struct Rig {
    Journal journal;
    FakeEventLoop loop;
    FakeClipboard clipboard{journal};
    FakeKeyboard keys{clipboard, loop};
    FakeHotkeyApi hotkeyApi;
    Form form;
    StoreSet stores;
    HotkeyEngine engine{stores, hotkeyApi, clipboard, keys, loop};
    ScriptedDialogs dialogs;
    MemoryFiles files;
    Settings settings{form, dialogs, files, files, engine, kProgramDir, kExecutable};
    FakeShell shell;
    std::unique_ptr<App> app;

    std::string& file(const std::string& name) { return files.files[kProgramDir + name]; }
    App& start(const std::string& commandLine = "", platform::WindowHost* host = nullptr) {
        app = std::make_unique<App>(form, stores, settings, engine, dialogs, files, shell,
                                    host ? *host : shell, commandLine, "https://vennhaus.example");
        app->Form_Load();
        app->reportStartupRefusals();
        return *app;
    }
    // The person presses an assignment's hotkey (the key repeating `repeats` times) and lets
    // go once it acted: the system posts the hotkey, or hands the key on if none is registered.
    void press(int assignment, int repeats = 0) {
        const auto [modifiers, key] = settings.assignments()[assignment];
        std::vector<std::uint8_t> held;  // left Ctrl, left Alt, the key
        for (auto [flag, k] : {std::pair{kControlFlag, vk::kLeftControl}, {kAltFlag, vk::kLeftAlt}})
            if (modifiers & flag)
                keys.press(k), held.push_back(k);
        held.push_back(static_cast<std::uint8_t>(key));
        for (int i = 0; i <= repeats; ++i) {
            keys.press(held.back(), i > 0);
            if (auto id = hotkeyApi.press({modifiers, key}))
                engine.onHotkey(*id);
            else
                keys.react(held.back());
        }
        for (auto k : held)
            keys.release(k);
    }
    void pressLater(Millis delay, int assignment) {
        loop.after(delay, [this, assignment] {
            for (auto key : std::set(keys.hands))
                keys.release(key);
            press(assignment);
        });
    }
};

}  // namespace trifolio::fakes
