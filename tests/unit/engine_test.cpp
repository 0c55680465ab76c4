// The hotkey engine: key synthesis, registration and the actions, against a late editor.
#include <gtest/gtest.h>

#include <sstream>

#include "core/hotkeys/key_synthesis.h"
#include "fakes.h"

namespace trifolio {
namespace {

using namespace std::chrono_literals;
using fakes::textFormats;
using platform::KeyEvent;
using platform::Millis;

// Key batches, "|" between them: "+K" down, "-K" up, "*K" down while held; each key with
// its scan code, the extended ones (Insert, right Alt, Win) flagged.
std::vector<std::vector<KeyEvent>> events(const char* text) {
    const std::map<std::string, std::uint8_t> names = {
        {"Ctl", vk::kControl},   {"LCtl", vk::kLeftControl}, {"LAlt", vk::kLeftAlt},
        {"RAlt", vk::kRightAlt}, {"LSh", vk::kLeftShift},    {"RSh", vk::kRightShift},
        {"LWin", vk::kLeftWin},  {"RWin", vk::kRightWin},    {"Mask", vk::kMask},
        {"Sh", vk::kShift},      {"Ins", vk::kInsert}};
    const std::set<std::string> extended = {"RAlt", "LWin", "RWin", "Ins"};
    std::vector<std::vector<KeyEvent>> batches(1);
    std::istringstream in(text);
    for (std::string t; in >> t;) {
        const std::string name = t.substr(1);  // of "|": none, key 0
        const auto key = names.contains(name) ? names.at(name) : std::uint8_t(name[0]);
        if (t == "|")
            batches.emplace_back();
        else
            batches.back().push_back(
                {key, t[0] == '-', t[0] == '*', fakes::scanCodeOf(key), extended.contains(name)});
    }
    return batches;
}

// Held Alt, Shift and Win go up before the key (a lone Alt or Win after a mask tap) and
// down again after it; what the system did not take of a batch goes in again. A watch the
// system removed is installed anew first; without any, held modifiers are left alone.
TEST(SendKeystroke, SendsThePressAndReleaseBatches) {
    constexpr Keystroke kCtrlC{true, false, 'C'}, kCtrlV{true, false, 'V'};
    const struct {
        Keystroke keystroke;
        const char *held, *batches;
        std::size_t accept = SIZE_MAX;     // of the first batch, or of the second with `late`
        bool late = false, letGo = false;  // letGo: the first held key, on the keystroke's way
        int watch = 0;  // 1 removed before the keys were held, 2 none can be installed
    } cases[] = {
        {{false, false, 'X'}, "+LAlt", "-Ctl +Mask -Mask -LAlt +X | -X *LAlt +Mask -Mask"},
        {kCtrlV, "+LSh +RSh +LWin +RWin +LAlt +RAlt",
         "-Ctl +Ctl -LSh -RSh -LAlt -RAlt -LWin -RWin +V | "
         "-V -Ctl *LSh *RSh *LAlt *RAlt *LWin *RWin +Mask -Mask"},
        {kCtrlV, "+LAlt", "-Ctl +Ctl -LAlt +V | -V -Ctl", SIZE_MAX, false, true},
        {kCtrlC, "", "-Ctl +Ctl | +C | -C -Ctl", 2},
        {kCtrlC, "+LAlt", "-Ctl +Ctl -LAlt +C | -C -Ctl *LAlt +Mask | -Mask", 4, true},
        {kCtrlC, "+LAlt", "-Ctl +Ctl -LAlt +C | -C -Ctl *LAlt +Mask -Mask", SIZE_MAX, false, 0, 1},
        {kCtrlC, "+LCtl +LAlt", "+C | -C", SIZE_MAX, false, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.batches);
        fakes::Rig t;
        c.watch == 1 ? t.keys.removeWatch() : void(t.keys.none = c.watch == 2);
        const auto held = events(c.held)[0];
        for (auto e : held)
            t.keys.press(e.virtualKey);
        if (c.letGo)
            t.loop.after(0ms, [&] { t.keys.release(held[0].virtualKey); });
        t.keys.accept = c.late ? SIZE_MAX : c.accept;
        if (c.late)
            t.loop.after(0ms, [&] { t.keys.accept = c.accept; });
        SendKeystroke(c.keystroke, t.keys, t.loop);
        EXPECT_EQ(t.keys.batches, events(c.batches));
        EXPECT_EQ(t.keys.down, t.keys.hands);
        EXPECT_EQ(t.keys.rewatches, c.watch > 0);
    }
}

// The user's clipboard before every action, more than text and one picture.
const fakes::ClipFormats kUsers = {{platform::kFormatText, {"user text"}},
                                   {platform::kFormatRtf, {"{\\rtf1 user}"}},
                                   {platform::kFormatFileList, {"C:\\a.txt"}}};

// A first start: store 2 on STRG+ALT+X/C/V, store 3 copies on F11, pastes on ALT+F12.
struct Engine : ::testing::Test {
    fakes::Rig rig;
    void SetUp() override {
        rig.clipboard.write(kUsers);
        rig.start();
        rig.keys.selection = textFormats("selected");
        rig.journal.clear();
    }
    // A whole snapshot that no store holds is still kept: the user's clipboard.
    bool usersKept() const {
        return std::ranges::any_of(rig.clipboard.snapshots, [&](const auto& taken) {
            const auto kept = taken.lock();
            return kept && kept != rig.stores.store(2).whole && kept != rig.stores.store(3).whole;
        });
    }
};

// Hotkeys under their names' atoms (signed); a refusal is named, its atom given back with
// the others; only identifiers registered now act.
TEST_F(Engine, RegistersUnderTheAtomsAndOnlyRegisteredIdentifiersAct) {
    const auto atom = [](int i) { return static_cast<std::int16_t>(0xC0A0 + i); };
    const decltype(rig.hotkeyApi.registered) defaults = {{atom(Cut2), {3, 'X'}},
                                                         {atom(Copy2), {3, 'C'}},
                                                         {atom(Paste2), {3, 'V'}},
                                                         {atom(Copy3), {0, 122}},
                                                         {atom(Paste3), {1, 123}}};
    EXPECT_EQ(rig.hotkeyApi.registered, defaults);
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}};
    rig.engine.unregisterHotkeys();
    rig.engine.registerHotkeys(rig.settings.assignments());
    EXPECT_EQ(rig.engine.refusedCombinations(), std::vector<std::string>{"STRG+ALT+C"});
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{1, 1, 1, 0, 1, 1}));
    for (int other : {0, -1, int{atom(Cut3)}})
        rig.engine.onHotkey(other);
    EXPECT_TRUE(rig.journal.empty()) << "an identifier not registered acted";
    rig.engine.unregisterHotkeys();
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{}));
    rig.engine.onHotkey(atom(Cut2));
    EXPECT_TRUE(rig.journal.empty()) << testing::PrintToString(rig.journal);
}

// The capture waits for a late copy, past a sequence move without one; the user's comes back.
TEST_F(Engine, CopyWaitsForTheApplicationAndRestoresTheWholeClipboard) {
    for (Millis delay : {0ms, 50ms, 300ms, 1400ms}) {
        SCOPED_TRACE(delay.count());
        rig.stores.clear(2);
        rig.keys.copyDelay = delay;
        rig.loop.after(20ms, [&] { ++rig.clipboard.sequence; });
        rig.press(Copy2);
        EXPECT_EQ(rig.stores.store(2).text, "selected");
        EXPECT_EQ(rig.clipboard.formats, kUsers);
    }
}

// A copy that brings nothing leaves the store as it was. A copy after the bound, seen by a
// notification or a snapshot, still goes to the store and the user's clipboard comes back
// again; a sequence move is no copy, and a read that fails keeps the watch.
TEST_F(Engine, LateCopyGoesToTheStoreAndTheClipboardComesBackAgain) {
    for (bool bySnapshot : {false, true}) {
        SCOPED_TRACE(bySnapshot);
        const std::string kept = rig.stores.store(3).text, late = bySnapshot ? "später" : "spät";
        rig.keys.selection = textFormats(late);
        rig.keys.copyDelay = kCaptureBound + 500ms;
        rig.press(Copy3);
        EXPECT_EQ(rig.stores.store(3).text, kept);
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        ++rig.clipboard.sequence;
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.stores.store(3).text, kept);

        rig.loop.idle(1s);
        ASSERT_EQ(rig.clipboard.formats, textFormats(late));
        rig.clipboard.noMemoryFor = true;
        rig.engine.clipboardChanged();
        rig.clipboard.noMemoryFor.reset();
        EXPECT_EQ(rig.stores.store(3).text, kept);
        bySnapshot ? (void)rig.engine.UpdateClipboardStatus() : rig.engine.clipboardChanged();
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        EXPECT_EQ(rig.stores.store(3).text, late);
        EXPECT_EQ(rig.stores.store(1).text, "user text");
    }
    // Another program's copy, or one after the window, is the user's and stays.
    for (const char* text : {"eigene", "mine"}) {
        rig.keys.selection.clear();
        rig.press(Copy3);
        if (text[0] == 'm')
            rig.loop.idle(kLateCopyWindow + 1ms);
        rig.clipboard.write(textFormats(text),
                            text[0] == 'e' ? fakes::kOtherProcess : fakes::kEditorProcess);
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.clipboard.formats, textFormats(text));
        EXPECT_EQ(rig.stores.store(3).text, "später");
    }
}

// Each paste offers every format copied; the user's clipboard comes back once the editor
// read them (each read within the grace of the one before), at the person's next key press
// or click, or after the bound. Reads by another program, or by one that cannot be told,
// end nothing. A held key repeats: only a new press is a new paste.
TEST_F(Engine, PasteRestoresOnlyAfterTheApplicationRead) {
    const fakes::ClipFormats store = {{platform::kFormatText, {"Zeile"}},
                                      {platform::kFormatRtf, {"{\\rtf1 Zeile}"}},
                                      {platform::kFormatFileList, {"C:\\b.txt"}}};
    rig.keys.selection = store;
    rig.press(Copy2);
    rig.keys.pasteReads = {platform::kFormatText, platform::kFormatRtf, platform::kFormatFileList};
    rig.keys.readSpacing = kPasteGrace - 10ms;
    constexpr std::uint32_t kNobody = 99, kUnknown = 0;
    const struct {
        Millis delay;
        bool storePasted = true;
        // Reads every format 5 ms after the offer (a program that cannot be told, 1 ms:
        // before the keystroke).
        std::uint32_t readerBefore = kNobody;
        bool pressBefore = false;  // the person types on 300 ms after it
    } rows[] = {{0ms},
                {20ms},
                {1500ms},
                {1500ms, true, fakes::kOtherProcess},
                {1500ms, true, kUnknown},
                {1500ms, false, kNobody, true},
                {kPasteBound + 100ms, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.delay.count() << " " << r.readerBefore);
        rig.keys.pasteDelay = r.delay;
        if (r.readerBefore != kNobody)
            rig.loop.after(r.readerBefore == kUnknown ? 1ms : 5ms, [&] {
                for (auto format : rig.keys.pasteReads)
                    rig.clipboard.readAsEditor(format, r.readerBefore);
            });
        if (r.pressBefore)
            rig.loop.after(300ms, [&] { rig.keys.press('A'), rig.keys.release('A'); });
        const auto start = rig.loop.now();
        rig.press(Paste2, 3);
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        // The wait ends at the editor's read, once it is over, not at the bound.
        EXPECT_LT(rig.loop.now() - start, r.storePasted ? r.delay + 100ms : kPasteBound + 100ms);
        rig.loop.idle(kPasteBound);
        EXPECT_EQ(rig.keys.pastes.back(), r.storePasted ? store : kUsers);
    }
    EXPECT_EQ(rig.keys.pastes.size(), std::size(rows));
    rig.keys.pasteDelay = 0ms;
    // The system removes the watch while the key is down; the next press is no repeat.
    rig.loop.after(1ms, [&] { rig.keys.removeWatch(); });
    rig.press(Paste2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.size(), std::size(rows) + 2);
    // "Löschen" leaves nothing to paste
    rig.engine.clearStore(2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.back(), fakes::ClipFormats{});
}

// Consoles and terminals copy with Ctrl+Insert and paste with Shift+Insert, and a cut
// there copies: never Ctrl+C or Ctrl+X, which would stop the command running in them.
TEST_F(Engine, TerminalsGetInsertKeysEverythingElseCtrlXCV) {
    const char* const terminalKeys =  // cut, copy, paste with Ctrl+Alt held
        "-Ctl +Ctl -LAlt +Ins | -Ins -Ctl *LCtl *LAlt +Mask -Mask | "
        "-Ctl +Ctl -LAlt +Ins | -Ins -Ctl *LCtl *LAlt +Mask -Mask | "
        "-Ctl +Mask -Mask -LAlt +Sh +Ins | -Ins -Sh *LCtl *LAlt +Mask -Mask";
    const char* const otherKeys =
        "-Ctl +Ctl -LAlt +X | -X -Ctl *LCtl *LAlt +Mask -Mask | "
        "-Ctl +Ctl -LAlt +C | -C -Ctl *LCtl *LAlt +Mask -Mask | "
        "-Ctl +Ctl -LAlt +V | -V -Ctl *LCtl *LAlt +Mask -Mask";
    for (std::string_view window : {"ConsoleWindowClass", "Notepad", "Console"}) {
        SCOPED_TRACE(window);
        rig.keys.foreground.windowClass = window;
        rig.keys.batches.clear();
        for (int action : {Cut2, Copy2, Paste2})
            rig.press(action);
        const bool terminal = window == "ConsoleWindowClass";
        EXPECT_EQ(rig.keys.batches, events(terminal ? terminalKeys : otherKeys));
    }
}

// A window of higher rights drops the program's keys: nothing is touched there and no key
// is sent, and the person is told in a balloon, once per window.
TEST_F(Engine, AWindowOfHigherRightsIsLeftAloneAndToldOfOnce) {
    rig.app->TrayIconAdd();
    rig.keys.foreground.unreachable = true;
    for (std::uintptr_t window : {0x20, 0x20, 0x30, 0x20})
        for (int action : {Cut2, Copy2, Paste2})
            rig.keys.foreground.handle = window, rig.press(action);
    EXPECT_TRUE(rig.journal.empty()) << testing::PrintToString(rig.journal);
    EXPECT_TRUE(rig.keys.batches.empty());
    ASSERT_EQ(rig.shell.balloons.size(), 2u);
    EXPECT_EQ(rig.shell.balloons[0],
              "Achtung! In diesem Fenster kann Trifolio nicht ausschneiden, kopieren oder "
              "einfügen: es läuft mit höheren Rechten.");
    rig.keys.foreground.unreachable = false;
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
}

// Hotkeys and whenIdle work during an action run after it, in order; a snapshot during one
// is skipped. The session's end during one ends the program: the user's clipboard is back.
TEST_F(Engine, NothingRunsInsideAnAction) {
    rig.keys.copyDelay = 100ms;
    rig.pressLater(10ms, Copy3);
    rig.pressLater(20ms, Paste2);
    rig.loop.after(30ms, [&] { EXPECT_FALSE(rig.engine.UpdateClipboardStatus()); });
    rig.loop.after(40ms, [&] { rig.engine.whenIdle([&] { rig.engine.clearClipboard(); }); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(3).text, "selected");
    EXPECT_EQ(rig.keys.pastes, std::vector{textFormats("selected")});
    EXPECT_TRUE(rig.clipboard.formats.empty());
    std::erase_if(rig.journal,
                  [](const auto& e) { return e != "snapshot" && e != "restore" && e != "clear"; });
    EXPECT_EQ(rig.journal,
              (std::vector<std::string>{"snapshot", "snapshot", "restore", "snapshot", "snapshot",
                                        "restore", "snapshot", "restore", "clear"}));

    rig.stores.clear(3);
    rig.clipboard.write(kUsers);
    rig.pressLater(10ms, Copy3);
    rig.loop.after(20ms, [&] { rig.app->Form_QueryUnload(); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    EXPECT_EQ(rig.clipboard.formats, kUsers);
    EXPECT_TRUE(rig.app->presence().ended && rig.hotkeyApi.registered.empty());
}

// A clipboard held by another program cancels the action; a refused restore is made up
// before anything else looks (unless the clipboard was written meanwhile).
TEST_F(Engine, ABusyClipboardLosesNothingOfTheUsers) {
    rig.clipboard.heldByOther = true;
    rig.press(Copy3);
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    ++rig.clipboard.sequence;  // a change that cannot be read yet
    EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    rig.clipboard.heldByOther = false;

    for (int i = 0; i < 4; ++i) {  // next: a notification, a snapshot, a hotkey, a write
        SCOPED_TRACE(i);
        rig.clipboard.refuseRestore = true;
        rig.press(Copy2);
        ASSERT_EQ(rig.clipboard.formats, textFormats("selected"));
        EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
        ++rig.clipboard.sequence;  // no new content: still owed
        rig.engine.clipboardChanged();
        EXPECT_TRUE(usersKept()) << "the restore is owed";
        rig.clipboard.refuseRestore = false;
        if (i == 3)
            rig.clipboard.write(textFormats("newer"));
        i == 0   ? rig.engine.clipboardChanged()
        : i == 2 ? rig.press(Paste2)
                 : (void)rig.engine.UpdateClipboardStatus();
        EXPECT_FALSE(usersKept());
        EXPECT_EQ(rig.clipboard.formats, i < 3 ? kUsers : textFormats("newer"));
        EXPECT_EQ(rig.stores.store(1).text, i < 3 ? "user text" : "newer");
        rig.clipboard.write(kUsers);
        rig.engine.UpdateClipboardStatus();
    }
    EXPECT_EQ(rig.keys.pastes.at(0), textFormats("selected"));

    // A hotkey while the restore is owed runs on that snapshot.
    rig.clipboard.refuseRestore = true;
    rig.press(Copy2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.at(1), textFormats("selected"));
    rig.clipboard.refuseRestore = false;
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.formats, kUsers);
    EXPECT_EQ(rig.stores.store(1).text, "user text");
}

// Beside a program that opens the clipboard at every change and keeps it open, a keystroke
// goes out only once it let go (the application would find the clipboard held: its cut
// would lose the text, its paste paste nothing); a copy the store cannot read at once is
// read again. A clipboard held past the bound ends the action untouched.
TEST_F(Engine, KeystrokesWaitForAFreeClipboardAndACopyIsNeverLost) {
    Millis delay{}, hold{};
    int holds = 0;
    rig.clipboard.changed = [&] {
        rig.loop.after(delay, [&] { rig.clipboard.heldByOther = ++holds > 0; });
        rig.loop.after(delay + hold, [&] { rig.clipboard.heldByOther = --holds > 0; });
    };
    rig.keys.copyDelay = rig.keys.pasteDelay = 5ms;
    for (auto [d, h] : {std::pair{2ms, 20ms}, {0ms, 1500ms}, {0ms, kFreeBound + 500ms}}) {
        SCOPED_TRACE(h.count());
        delay = d, hold = h;
        const bool reached = hold < kFreeBound;
        const std::string text = "Schnitt " + std::to_string(h.count());
        rig.keys.selection = textFormats(text);
        rig.keys.batches.clear();
        rig.press(Cut2);
        rig.loop.idle(hold + 10ms);
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.stores.store(2).text, reached ? text : "Schnitt 1500");
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        EXPECT_EQ(rig.keys.batches.empty(), !reached);
        rig.press(Paste2);
        rig.loop.idle(hold + 10ms);
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.keys.pastes.size(), reached ? 1u + (h > 20ms) : 2u);
        EXPECT_EQ(rig.keys.pastes.back(), textFormats(reached ? text : "Schnitt 1500"));
        EXPECT_EQ(rig.clipboard.formats, kUsers);
    }
}

// Out of memory cancels the action or still restores, but never covers a copy the store
// could not take; a refused offer sends no Ctrl+V.
TEST_F(Engine, AnAllocationFailureOrARefusedOfferCancelsTheActionOrStillRestores) {
    rig.clipboard.noMemoryFor = true;
    rig.press(Copy2);
    EXPECT_TRUE(rig.keys.batches.empty());
    rig.clipboard.noMemoryFor.reset();
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    rig.keys.selection = textFormats("zu groß");
    rig.clipboard.changed = [&] {
        if (rig.clipboard.formats == rig.keys.selection)
            rig.clipboard.noMemoryFor = true;
    };
    rig.press(Cut2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.clipboard.formats, textFormats("zu groß"));
    rig.clipboard.noMemoryFor.reset();
    rig.clipboard.write(kUsers);
    rig.keys.batches.clear();
    rig.clipboard.refuseOffer = true;
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    EXPECT_EQ(rig.clipboard.formats, kUsers);
}

}  // namespace
}  // namespace trifolio
