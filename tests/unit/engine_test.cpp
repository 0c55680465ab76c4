// The hotkey engine: key synthesis, registration, dispatch and the six actions, against
// a recording clipboard and an editor that reacts late.
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

// Batches of key events, "|" between them: "+K" goes down, "-K" up, "*K" down while
// held; K a letter or one of the names below.
std::vector<std::vector<KeyEvent>> events(const char* text) {
    const std::map<std::string, std::uint8_t> names = {
        {"Ctl", vk::kControl},   {"LCtl", vk::kLeftControl},
        {"LAlt", vk::kLeftAlt},  {"RAlt", vk::kRightAlt},
        {"LSh", vk::kLeftShift}, {"RSh", vk::kRightShift},
        {"LWin", vk::kLeftWin},  {"RWin", vk::kRightWin},
        {"Mask", vk::kMask},     {"F9", 0x78}};
    std::vector<std::vector<KeyEvent>> batches(1);
    std::istringstream in(text);
    for (std::string t; in >> t;) {
        if (t == "|")
            batches.emplace_back();
        else
            batches.back().push_back({t.size() == 2 ? std::uint8_t(t[1]) : names.at(t.substr(1)),
                                      t[0] == '-', t[0] == '*'});
    }
    return batches;
}

// Control whenever the text names it anywhere, every other part the key of its first
// character; presses in one batch, a message pass, the releases in the order pressed
// with Control last. Alt, Shift and Win that the person holds are released before the
// key goes down, a lone Alt or Win after a Control press or a tap of the unassigned mask
// key, so that no menu opens, and every modifier the person still holds goes down again
// at the end, an Alt or Win followed by a mask tap. When the system takes only part of a
// batch, what that part left down goes up again. The keys end as the person holds them.
TEST(SendKeyCombo, SendsThePressAndReleaseBatches) {
    const struct {
        const char *held, *text, *batches;
        std::size_t accept = SIZE_MAX;  // of the first batch, or of the second with `late`
        bool late = false;
        int letGo = 0;  // of the first held key: 1 while the keystroke is on its way, 2 just
                        // as its re-press goes in
    } cases[] = {
        {"", "STRG+C", "-Ctl +Ctl +C | -C -Ctl"},
        {"", "CTRL+V", "-Ctl +Ctl +V | -V -Ctl"},
        {"", "X", "-Ctl +X | -X"},
        {"", "ASTRGB", "-Ctl +Ctl +A | -A -Ctl"},
        {"", "STRG+A+B", "-Ctl +Ctl +A +B | -A -B -Ctl"},
        {"", "ctrl+x", "-Ctl +Ctl +F9 | -F9 -Ctl"},
        {"", "ALT+X", "-Ctl +A +X | -A -X"},
        {"", "STRG++C", "-Ctl +Ctl +C | -C -Ctl"},
        {"", "", "-Ctl"},
        {"+LCtl +LAlt", "STRG+C", "-Ctl +Ctl -LAlt +C | -C -Ctl *LCtl *LAlt +Mask -Mask"},
        {"+RAlt", "STRG+V", "-Ctl +Ctl -RAlt +V | -V -Ctl *RAlt +Mask -Mask"},
        {"+LAlt", "X", "-Ctl +Mask -Mask -LAlt +X | -X *LAlt +Mask -Mask"},
        {"+RWin", "X", "-Ctl +Mask -Mask -RWin +X | -X *RWin +Mask -Mask"},
        {"+LSh", "X", "-Ctl -LSh +X | -X *LSh"},
        {"+LSh +RSh +LWin +RWin +LAlt +RAlt", "STRG+V",
         "-Ctl +Ctl -LSh -RSh -LAlt -RAlt -LWin -RWin +V | "
         "-V -Ctl *LSh *RSh *LAlt *RAlt *LWin *RWin +Mask -Mask"},
        // Let go of while the keystroke is on its way: not pressed again; let go of just as
        // the re-press goes in: the system drops it.
        {"+LAlt", "STRG+V", "-Ctl +Ctl -LAlt +V | -V -Ctl", SIZE_MAX, false, 1},
        {"+LAlt", "STRG+V", "-Ctl +Ctl -LAlt +V | -V -Ctl *LAlt +Mask -Mask", SIZE_MAX, false, 2},
        {"", "STRG+C", "-Ctl +Ctl | -LCtl | -C -Ctl", 2},
        {"+LAlt", "STRG+C", "-Ctl +Ctl -LAlt +C | -C -Ctl *LAlt +Mask | -Mask", 4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        fakes::Rig t;
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
    }
}

// The user's clipboard before every action: text with rich text and a file list, which
// a restore of only text and one picture would lose.
const fakes::ClipFormats kUsers = {{platform::kFormatText, {"user text"}},
                                   {platform::kFormatRtf, {"{\\rtf1 user}"}},
                                   {platform::kFormatFileList, {"C:\\a.txt"}}};

// A first start: store 2 on STRG+ALT with X, C and V, store 3 copies on F11 and pastes
// on ALT+F12, its cut unassigned. The user still holds the hotkey's modifiers when an
// action starts.
struct Engine : ::testing::Test {
    fakes::Rig rig;
    void SetUp() override {
        rig.clipboard.write(kUsers);
        rig.start();
        rig.keys.selection = textFormats("selected");
        rig.journal.clear();
    }
    int id(int assignment) { return *rig.hotkeyApi.press(rig.combination(assignment)); }
    // A whole snapshot is still kept that no store holds: the user's clipboard.
    bool usersKept() const {
        return std::any_of(rig.clipboard.snapshots.begin(), rig.clipboard.snapshots.end(),
                           [&](const auto& taken) {
                               const auto kept = taken.lock();
                               return kept && kept != rig.stores.store(2).whole &&
                                      kept != rig.stores.store(3).whole;
                           });
    }
    void reRegister() {
        rig.engine.unregisterHotkeys();
        rig.engine.registerHotkeys();
    }
};

// Five hotkeys, each under the atom of its name read as a signed 16-bit identifier; an
// empty key (a list without selection) stays off like "-"; a combination another program
// owns is refused, named, and still given back with its atom. Nothing piles up. Hotkeys
// act only between registerHotkeys and unregisterHotkeys, and only for the identifier of
// an entry registered now: not for one whose key became "-" since.
TEST_F(Engine, RegistersUnderTheAtomsAndOnlyRegisteredIdentifiersAct) {
    const auto atom = [](int i) { return static_cast<std::int16_t>(0xC0A0 + i); };
    EXPECT_EQ(rig.hotkeyApi.registered,
              (std::map<int, fakes::FakeHotkeyApi::Combination>{{atom(Cut2), {3, 'X'}},
                                                                {atom(Copy2), {3, 'C'}},
                                                                {atom(Paste2), {3, 'V'}},
                                                                {atom(Copy3), {0, 122}},
                                                                {atom(Paste3), {1, 123}}}));
    const int copy2 = id(Copy2);
    rig.form.combo(7).setText("STRG");
    rig.form.combo(8).setText("Y");
    rig.form.combo(10).select(-1);
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}};
    reRegister();
    EXPECT_EQ(rig.engine.refusedCombinations(), std::vector<std::string>{"STRG+ALT+C"});
    EXPECT_EQ(rig.hotkeyApi.registered.size(), 4u);
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{1, 1, 1, 1, 0, 1}));
    const int cut3 = id(Cut3);
    rig.hotkeyApi.takenElsewhere.clear();
    rig.form.combo(8).setText("-");
    reRegister();
    rig.journal.clear();
    for (int other : {0, 1, -1, cut3})
        rig.engine.onHotkey(other);
    rig.engine.unregisterHotkeys();
    EXPECT_TRUE(rig.hotkeyApi.registered.empty());
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{}));
    rig.engine.onHotkey(copy2);
    EXPECT_TRUE(rig.journal.empty()) << testing::PrintToString(rig.journal);
    rig.engine.registerHotkeys();
    rig.engine.onHotkey(copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
}

// The application writes the clipboard some time after Ctrl+C, and the sequence number
// may move before that without a copy; the capture waits for the copy, and the user's
// whole clipboard comes back afterwards.
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
}

// Nothing arrives within the bound: the store is captured empty and the user's clipboard
// comes back. When the application copies after all, noticed by a change notification
// or by the next snapshot, the copy goes into the store and the user's clipboard comes
// back once more. A mere move of the sequence number is no copy, and the watch ends.
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
    // The watch ends, and a copy is the user's own that stays: another program's, one
    // after the window, or one by hand in the same application after the person's next
    // key press or click.
    rig.keys.copyDelay = 0ms;
    const std::pair<const char*, std::function<void()>> own[] = {
        {"eigene", [&] { rig.clipboard.write(textFormats("eigene"), fakes::kOtherProcess); }},
        {"mine",
         [&] {
             rig.loop.idle(kLateCopyWindow + 1ms);
             rig.clipboard.write(textFormats("mine"));
         }},
        {"von Hand", [&] {
             rig.keys.selection = textFormats("von Hand");
             rig.hold({vk::kLeftControl});
             rig.tap('C');
             rig.hold({vk::kLeftControl}, false);
             rig.loop.idle(1ms);
         }}};
    for (const auto& [text, copy] : own) {
        rig.keys.selection.clear();
        rig.press(Copy3);
        copy();
        rig.engine.clipboardChanged();
        EXPECT_EQ(rig.clipboard.formats, textFormats(text));
        EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    }
}

// Paste offers the store and waits until the application has read it, and whatever it
// reads right after; only then, or after the bound when no read comes, the user's
// clipboard comes back. A read after that gets the user's content.
TEST_F(Engine, PasteRestoresOnlyAfterTheApplicationRead) {
    const auto picture = std::make_shared<fakes::FakePicture>();
    const fakes::ClipFormats store = {{platform::kFormatText, {"zwei"}},
                                      {platform::kFormatBitmap, {{}, picture}}};
    rig.keys.selection = store;
    rig.press(Copy2);
    rig.keys.pasteReads = {platform::kFormatText, platform::kFormatBitmap};
    rig.keys.readSpacing = kPasteGrace - 10ms;
    for (Millis delay : {0ms, 20ms, 700ms, kPasteBound + 100ms}) {
        SCOPED_TRACE(delay.count());
        rig.keys.pasteDelay = delay;
        rig.press(Paste2);
        EXPECT_EQ(rig.clipboard.formats, kUsers);
        rig.loop.idle(1s);
        EXPECT_EQ(rig.keys.pastes.back(), delay < kPasteBound ? store : textFormats("user text"));
    }
    EXPECT_EQ(rig.keys.pastes.size(), 4u);
    EXPECT_EQ(rig.stores.store(2).text, "zwei");

    // A paste gives back every format the application copied, not the notice the store
    // shows, as often as it is pasted; "Löschen" leaves nothing to paste.
    rig.keys.selection = {{platform::kFormatText, {"Zeile"}},
                          {platform::kFormatRtf, {"{\\rtf1 Zeile}"}},
                          {platform::kFormatFileList, {"C:\\b.txt"}}};
    rig.keys.pasteDelay = 0ms;
    rig.press(Copy2);
    ASSERT_EQ(rig.stores.store(2).displayText(), "Nicht unterstütztes Format");
    rig.keys.pasteReads = {platform::kFormatText, platform::kFormatRtf, platform::kFormatFileList};
    rig.keys.pastes.clear();
    rig.press(Paste2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes, std::vector(2, rig.keys.selection));
    rig.engine.clearStore(2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.back(), fakes::ClipFormats{});
}

// Hotkeys pressed during an action run after it, one after the other, each action's
// clipboard work ending with its restore before the next one starts, and so does work
// handed to whenIdle ("Löschen" of store 1 here), in the order it came; unless the
// hotkeys went off meanwhile. A snapshot during an action is skipped.
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

// Modifiers held across several taps: every tap is its hotkey, also after an action
// released the modifiers for its keystroke, and a key held past the repeat delay acts
// once.
TEST_F(Engine, HeldModifiersMakeEveryTapItsHotkeyAndAHeldKeyActsOnce) {
    rig.hold({vk::kLeftControl, vk::kLeftAlt});
    rig.tap('C');
    rig.tap('V');
    rig.tap('V', 5);
    EXPECT_EQ(rig.keys.down, rig.keys.hands);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.keys.pastes.size(), 2u);
    EXPECT_EQ(rig.clipboard.formats, kUsers);
}

// Content that another program marks confidential is not shown, yet comes back whole.
TEST_F(Engine, ConfidentialContentIsNotShownYetComesBack) {
    rig.clipboard.write(textFormats("geheim"), fakes::kOtherProcess, true);
    EXPECT_TRUE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).displayText(), "Vertraulicher Inhalt");
    EXPECT_EQ(rig.stores.store(1).text, "");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");
    rig.press(Copy2);
    EXPECT_EQ(rig.clipboard.formats, textFormats("geheim"));
    EXPECT_TRUE(rig.clipboard.confidential);
}

// A busy clipboard loses nothing of the user's. Held by another program when the hotkey
// comes, it cancels the action before anything is touched. Grabbed just when the restore
// comes, store 1 keeps the user's content, and the restore is made up before anything
// else looks at the clipboard: a change notification, a snapshot or the next hotkey;
// unless someone wrote the clipboard meanwhile, which makes it theirs. The user's whole
// clipboard is kept only while it may still be put back.
TEST_F(Engine, ABusyClipboardLosesNothingOfTheUsers) {
    rig.clipboard.heldByOther = true;
    rig.press(Copy3);
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    rig.clipboard.heldByOther = false;

    const std::function<void()> next[] = {[&] { rig.engine.clipboardChanged(); },
                                          [&] { rig.engine.UpdateClipboardStatus(); },
                                          [&] { rig.press(Paste2); },
                                          [&] {
                                              rig.clipboard.write(textFormats("newer"));
                                              rig.engine.UpdateClipboardStatus();
                                          }};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        rig.clipboard.refuseRestore = true;
        rig.press(Copy2);
        ASSERT_EQ(rig.clipboard.formats, textFormats("selected"));
        EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
        EXPECT_TRUE(usersKept()) << "the restore is owed";
        rig.clipboard.refuseRestore = false;
        next[i]();
        EXPECT_FALSE(usersKept());
        EXPECT_EQ(rig.clipboard.formats, i < 3 ? kUsers : textFormats("newer"));
        EXPECT_EQ(rig.stores.store(1).text, i < 3 ? "user text" : "newer");
        rig.clipboard.write(kUsers);
        rig.engine.UpdateClipboardStatus();
    }
    EXPECT_EQ(rig.keys.pastes.at(0), textFormats("selected"));

    // A hotkey while the restore is still owed runs, on the snapshot that restore owes.
    rig.clipboard.refuseRestore = true;
    rig.press(Copy2);
    rig.press(Paste2);
    EXPECT_EQ(rig.keys.pastes.at(1), textFormats("selected"));
    rig.clipboard.refuseRestore = false;
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.formats, kUsers);
    EXPECT_EQ(rig.stores.store(1).text, "user text");
}

// Out of memory while reading content of hundreds of megabytes: before the clipboard is
// emptied the action is cancelled, after it the user's clipboard still comes back; the
// program goes on as before. A store the clipboard refuses sends no Ctrl+V, which would
// paste whatever is there.
TEST_F(Engine, AnAllocationFailureOrARefusedOfferCancelsTheActionOrStillRestores) {
    rig.clipboard.noMemoryFor = true;
    rig.press(Copy2);
    EXPECT_TRUE(rig.keys.batches.empty());
    rig.clipboard.noMemoryFor.reset();
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    // What the application copied is too big to read: the store stays as it was.
    rig.keys.selection = textFormats("zu groß");
    rig.clipboard.changed = [&] {
        if (rig.clipboard.formats == rig.keys.selection)
            rig.clipboard.noMemoryFor = true;
    };
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    rig.keys.batches.clear();
    rig.clipboard.refuseOffer = true;
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.empty());
    EXPECT_TRUE(rig.keys.pastes.empty());
    EXPECT_EQ(rig.clipboard.formats, kUsers);
}

}  // namespace
}  // namespace trifolio
