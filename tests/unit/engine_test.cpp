// The hotkey engine: key synthesis, registration and the actions, against a late editor.
#include <gtest/gtest.h>

#include <sstream>

#include "fakes.h"
#include "hotkeys/key_synthesis.h"

namespace trifolio {
namespace {

using namespace std::chrono_literals;
using fakes::textFormats;
using platform::KeyEvent;
using platform::Millis;

// Key batches, "|" between them: "+K" down, "-K" up, "*K" down while held.
std::vector<std::vector<KeyEvent>> events(const char* text) {
    const std::map<std::string, std::uint8_t> names = {
        {"Ctl", vk::kControl},   {"LCtl", vk::kLeftControl},
        {"LAlt", vk::kLeftAlt},  {"RAlt", vk::kRightAlt},
        {"LSh", vk::kLeftShift}, {"RSh", vk::kRightShift},
        {"LWin", vk::kLeftWin},  {"RWin", vk::kRightWin},
        {"Mask", vk::kMask},     {"F9", 0x78}};
    std::vector<std::vector<KeyEvent>> batches(1);
    std::istringstream in(text);
    for (std::string t; in >> t;)
        if (t == "|")
            batches.emplace_back();
        else
            batches.back().push_back({t.size() == 2 ? std::uint8_t(t[1]) : names.at(t.substr(1)),
                                      t[0] == '-', t[0] == '*'});
    return batches;
}

// Held Alt, Shift and Win go up before the key (a lone Alt or Win after a mask tap) and
// down again after it; what the system did not take of a batch goes in again. A watch the
// system removed is installed anew first; without any, held modifiers are left alone.
TEST(SendKeyCombo, SendsThePressAndReleaseBatches) {
    const struct {
        const char *held, *text, *batches;
        std::size_t accept = SIZE_MAX;  // of the first batch, or of the second with `late`
        bool late = false;
        int letGo = 0;  // the first held key: 1 on the keystroke's way, 2 as it goes down again
        int watch = 0;  // 1 removed before the keys were held, 2 none can be installed
    } cases[] = {
        {"", "STRG+C", "-Ctl +Ctl +C | -C -Ctl"},
        {"+LCtl +LAlt", "STRG+C", "-Ctl +Ctl -LAlt +C | -C -Ctl *LCtl *LAlt +Mask -Mask"},
        {"+LAlt", "X", "-Ctl +Mask -Mask -LAlt +X | -X *LAlt +Mask -Mask"},
        {"+LSh +RSh +LWin +RWin +LAlt +RAlt", "STRG+V",
         "-Ctl +Ctl -LSh -RSh -LAlt -RAlt -LWin -RWin +V | "
         "-V -Ctl *LSh *RSh *LAlt *RAlt *LWin *RWin +Mask -Mask"},
        {"+LAlt", "STRG+V", "-Ctl +Ctl -LAlt +V | -V -Ctl", SIZE_MAX, false, 1},
        {"+LAlt", "STRG+V", "-Ctl +Ctl -LAlt +V | -V -Ctl *LAlt +Mask -Mask", SIZE_MAX, false, 2},
        {"", "STRG+C", "-Ctl +Ctl | +C | -C -Ctl", 2},
        {"", "STRG+C", "-Ctl +Ctl +C | -C | -Ctl", 1, true},
        {"+LAlt", "STRG+C", "-Ctl +Ctl -LAlt +C | -C -Ctl *LAlt +Mask | -Mask", 4, true},
        {"+LAlt", "STRG+C", "-Ctl +Ctl -LAlt +C | -C -Ctl *LAlt +Mask -Mask", SIZE_MAX, false, 0,
         1},
        {"+LCtl +LAlt", "STRG+C", "+C | -C", SIZE_MAX, false, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        fakes::Rig t;
        c.watch == 1 ? t.keys.removeWatch() : void(t.keys.none = c.watch == 2);
        const auto held = events(c.held)[0];
        for (auto e : held)
            t.keys.press(e.virtualKey);
        const auto letGo = [&] { t.keys.release(held[0].virtualKey); };
        if (c.letGo)
            t.loop.after(0ms, [&] { c.letGo == 1 ? letGo() : void(t.keys.crossing = letGo); });
        t.keys.accept = c.late ? SIZE_MAX : c.accept;
        if (c.late)
            t.loop.after(0ms, [&] { t.keys.accept = c.accept; });
        SendKeyCombo(c.text, t.keys, t.loop);
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
    EXPECT_EQ(rig.hotkeyApi.registered,
              (std::map<int, fakes::FakeHotkeyApi::Combination>{{atom(Cut2), {3, 'X'}},
                                                                {atom(Copy2), {3, 'C'}},
                                                                {atom(Paste2), {3, 'V'}},
                                                                {atom(Copy3), {0, 122}},
                                                                {atom(Paste3), {1, 123}}}));
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}};
    rig.engine.unregisterHotkeys();
    rig.engine.registerHotkeys();
    EXPECT_EQ(rig.engine.refusedCombinations(), std::vector<std::string>{"STRG+ALT+C"});
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{1, 1, 1, 0, 1, 1}));
    rig.engine.unregisterHotkeys();
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{}));
    for (int other : {0, -1, int{atom(Cut2)}})
        rig.engine.onHotkey(other);
    EXPECT_TRUE(rig.journal.empty()) << testing::PrintToString(rig.journal);
}

// The capture waits for a late copy, past a sequence move without one; the user's comes back.
TEST_F(Engine, CopyWaitsForTheApplicationAndRestoresTheWholeClipboard) {
    for (Millis delay : {0ms, 50ms, 300ms, 1400ms}) {
        SCOPED_TRACE(delay.count());
        rig.stores.clear(2);
        rig.journal.clear();
        rig.keys.copyDelay = delay;
        rig.loop.after(20ms, [&] { ++rig.clipboard.sequence; });
        rig.press(Copy2);
        EXPECT_EQ(rig.stores.store(2).text, "selected");
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        EXPECT_LT(rig.at("app writes"), rig.at("restore"));
        EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): Text/Grafik-RTF");
    }
    // Content that another program marks confidential is not shown, yet comes back whole.
    rig.clipboard.write(textFormats("geheim"), fakes::kOtherProcess, true);
    EXPECT_TRUE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).displayText(), "Vertraulicher Inhalt");
    EXPECT_EQ(rig.stores.store(1).text, "");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");
    rig.press(Copy2);
    EXPECT_EQ(rig.clipboard.formats, textFormats("geheim"));
    EXPECT_TRUE(rig.clipboard.confidential);
}

// A copy after the bound, seen by a notification or a snapshot, still goes to the store and
// the user's clipboard comes back again; a sequence move is no copy.
TEST_F(Engine, LateCopyGoesToTheStoreAndTheClipboardComesBackAgain) {
    for (bool bySnapshot : {false, true}) {
        SCOPED_TRACE(bySnapshot);
        rig.keys.selection = textFormats("selected");
        rig.keys.copyDelay = 0ms;
        rig.press(Copy3);
        ASSERT_EQ(rig.stores.store(3).text, "selected");
        rig.keys.selection = textFormats("spät");
        rig.keys.copyDelay = kCaptureBound + 500ms;
        rig.press(Copy3);
        EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        ++rig.clipboard.sequence;
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.stores.store(3).displayText(), "leer");

        rig.loop.idle(1s);
        ASSERT_EQ(rig.clipboard.formats, textFormats("spät"));
        bySnapshot ? (void)rig.engine.UpdateClipboardStatus() : rig.engine.clipboardChanged();
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        EXPECT_EQ(rig.stores.store(3).text, "spät");
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
        EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    }
}

// Each paste offers every format copied; the user's clipboard comes back once it read
// them (each read within the grace of the one before), or after the bound. A held key
// repeats: only a new press is a new paste.
TEST_F(Engine, PasteRestoresOnlyAfterTheApplicationRead) {
    const fakes::ClipFormats store = {{platform::kFormatText, {"Zeile"}},
                                      {platform::kFormatRtf, {"{\\rtf1 Zeile}"}},
                                      {platform::kFormatFileList, {"C:\\b.txt"}}};
    rig.keys.selection = store;
    rig.press(Copy2);
    rig.keys.pasteReads = {platform::kFormatText, platform::kFormatRtf, platform::kFormatFileList};
    rig.keys.readSpacing = kPasteGrace - 10ms;
    for (Millis delay : {0ms, 20ms, 700ms, kPasteBound + 100ms}) {
        SCOPED_TRACE(delay.count());
        rig.keys.pasteDelay = delay;
        rig.press(Paste2, 3);
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        rig.loop.idle(1s);
        EXPECT_EQ(rig.keys.pastes.back(), delay < kPasteBound ? store : kUsers);
    }
    EXPECT_EQ(rig.keys.pastes.size(), 4u);
    rig.keys.pasteDelay = 0ms;
    // The system removes the watch while the key is down; the next press is no repeat.
    rig.loop.after(1ms, [&] { rig.keys.removeWatch(); });
    rig.press(Paste2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.size(), 6u);
    // "Löschen" leaves nothing to paste
    rig.engine.clearStore(2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.back(), fakes::ClipFormats{});
}

// Hotkeys and whenIdle work during an action run after it, in order (not once the hotkeys
// went off); a snapshot during one is skipped.
TEST_F(Engine, NothingRunsInsideAnAction) {
    rig.keys.copyDelay = 100ms;
    rig.pressLater(10ms, Copy3);
    rig.pressLater(20ms, Paste2);
    rig.loop.after(30ms, [&] { EXPECT_FALSE(rig.engine.UpdateClipboardStatus()); });
    rig.loop.after(40ms, [&] { rig.engine.whenIdle([&] { rig.engine.clearClipboard(); }); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(3).text, "selected");
    ASSERT_EQ(rig.keys.pastes.size(), 1u);
    EXPECT_EQ(rig.keys.pastes[0], textFormats("selected"));
    EXPECT_TRUE(rig.clipboard.formats.empty());
    std::vector<std::string> steps;
    std::copy_if(rig.journal.begin(), rig.journal.end(), std::back_inserter(steps),
                 [](const auto& e) { return e == "snapshot" || e == "restore" || e == "clear"; });
    EXPECT_EQ(steps,
              (std::vector<std::string>{"snapshot", "snapshot", "restore", "snapshot", "snapshot",
                                        "restore", "snapshot", "restore", "clear"}));

    rig.stores.clear(3);
    rig.pressLater(10ms, Copy3);
    rig.loop.after(20ms, [&] { rig.engine.unregisterHotkeys(); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
}

// A clipboard held by another program cancels the action; a refused restore is made up
// before anything else looks (unless the clipboard was written meanwhile).
TEST_F(Engine, ABusyClipboardLosesNothingOfTheUsers) {
    rig.clipboard.heldByOther = true;
    rig.press(Copy3);
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    rig.clipboard.heldByOther = false;

    for (int i = 0; i < 4; ++i) {  // next: a notification, a snapshot, a hotkey, a write
        SCOPED_TRACE(i);
        rig.clipboard.refuseRestore = true;
        rig.press(Copy2);
        ASSERT_EQ(rig.clipboard.formats, textFormats("selected"));
        EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
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

// Out of memory cancels the action or still restores; a refused offer sends no Ctrl+V.
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
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.clipboard.formats, kUsers);
    rig.clipboard.noMemoryFor.reset();
    rig.keys.batches.clear();
    rig.clipboard.refuseOffer = true;
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    EXPECT_TRUE(rig.keys.pastes.empty());
    EXPECT_EQ(rig.clipboard.formats, kUsers);
}

}  // namespace
}  // namespace trifolio
