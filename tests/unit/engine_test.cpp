#include <gtest/gtest.h>

#include "engine_fakes.h"

namespace trifolio {
namespace {

using namespace std::chrono_literals;
using engine_fakes::clipBytes;
using engine_fakes::ClipFormats;
using engine_fakes::EngineRig;
using engine_fakes::makePicture;
using engine_fakes::textFormats;
using platform::Millis;

// The user's clipboard before every action: text together with rich text and a file
// list, which a restore of only text and one picture would lose.
ClipFormats usersClipboard() {
    return {{platform::kFormatText, clipBytes("user text")},
            {platform::kFormatRtf, clipBytes("{\\rtf1 user}")},
            {platform::kFormatFileList, clipBytes("C:\\a.txt")}};
}

struct Engine : ::testing::Test {
    EngineRig rig;
    void SetUp() override {
        rig.clipboard.write(usersClipboard());
        rig.target.selection = textFormats("selected");
        rig.engine.registerHotkeys();
        rig.journal.clear();
    }
    // Position of the first journal entry equal to `entry` at or after `from`.
    std::size_t find(const std::string& entry, std::size_t from = 0) const {
        for (std::size_t i = from; i < rig.journal.size(); ++i)
            if (rig.journal[i] == entry)
                return i;
        return rig.journal.size();
    }
};

// The application writes the clipboard some time after Ctrl+C; the capture waits for
// it, and the user's whole clipboard comes back afterwards.
TEST_F(Engine, CopyWaitsForTheApplicationAndRestoresTheWholeClipboard) {
    for (Millis delay : {0ms, 50ms, 300ms, 1400ms}) {
        SetUp();
        rig.target.copyDelay = delay;
        rig.press(Copy2);
        EXPECT_EQ(rig.stores.store(2).displayText(), "selected") << delay.count();
        EXPECT_EQ(rig.stores.panelText(2), "Ablage 2: Text") << delay.count();
        EXPECT_EQ(rig.clipboard.formats(), usersClipboard()) << delay.count();
        EXPECT_EQ(rig.stores.store(1).displayText(), "Nicht unterstütztes Format");
        EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): Text/Grafik-RTF");
        EXPECT_LT(find("app writes"), find("restore")) << delay.count();
    }
}

// Store 2's hotkeys are STRG+ALT, store 3's paste is ALT+F12, and the user still holds
// them: the application must get a clean Ctrl+X, Ctrl+C, Ctrl+V all the same.
TEST_F(Engine, HeldAltDoesNotSpoilTheKeystroke) {
    rig.target.selection = textFormats("cut");
    rig.press(Cut2);
    EXPECT_EQ(rig.target.copies, 1);
    EXPECT_EQ(rig.stores.store(2).text, "cut");

    rig.press(Paste3);  // store 3 is empty: the application reads nothing
    rig.press(Paste2);
    ASSERT_EQ(rig.target.pastes.size(), 2u);
    EXPECT_FALSE(rig.target.pastes[0].text);
    EXPECT_EQ(rig.target.pastes[1].text, "cut");
    EXPECT_FALSE(rig.keys.isDown(0x12));
    EXPECT_FALSE(rig.keys.isDown(0x11));
}

// Nothing selected: nothing arrives within the bound, the store is captured empty and the
// user's clipboard comes back.
TEST_F(Engine, CopyOfNothingEmptiesTheStore) {
    rig.press(Copy2);
    ASSERT_EQ(rig.stores.store(2).text, "selected");

    rig.target.selection.clear();
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).displayText(), "leer");
    EXPECT_FALSE(rig.stores.store(2).hasText);
    EXPECT_EQ(rig.stores.panelText(2), "Ablage 2: ---");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
    EXPECT_FALSE(rig.engine.busy());
}

// A sequence number that moves while the marker is still there is no copy.
TEST_F(Engine, SequenceBumpIsNotTakenForACopy) {
    rig.target.copyDelay = 200ms;
    rig.loop.after(20ms, [&] { rig.clipboard.bumpSequence(); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
}

// The application copies after the capture gave up and the user's clipboard was put
// back: its copy goes into the store and the user's clipboard comes back once more.
TEST_F(Engine, LateCopyGoesToTheStoreAndTheClipboardComesBack) {
    rig.target.copyDelay = kCaptureBound + 500ms;
    rig.press(Copy3);
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());

    rig.loop.idle(1s);
    ASSERT_EQ(rig.clipboard.textNow(), "selected");  // the late copy landed
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
    EXPECT_EQ(rig.stores.store(3).text, "selected");

    // The watch is over: the user's own next copy stays.
    rig.clipboard.write(textFormats("mine"));
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.textNow(), "mine");
}

TEST_F(Engine, LateCopyWatchIgnoresSequenceBumpsAndEndsAfterItsWindow) {
    const std::uint32_t linkSource = 0xC210;  // put back by no restore
    rig.clipboard.notRestored = {linkSource};
    auto withLink = usersClipboard();
    withLink[linkSource] = clipBytes("link");
    rig.clipboard.write(withLink);
    rig.target.selection.clear();
    rig.press(Copy3);
    rig.clipboard.bumpSequence();  // the content is still the user's
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");

    rig.loop.idle(kLateCopyWindow + 1ms);
    rig.clipboard.write(textFormats("mine"));  // the user copies, long after
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.textNow(), "mine");
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
}

// A late copy that nobody reported before the next snapshot is still caught: the
// snapshot must not take it for the user's clipboard.
TEST_F(Engine, LateCopyIsSettledBeforeTheNextSnapshot) {
    rig.target.copyDelay = kCaptureBound + 100ms;
    rig.press(Copy2);
    rig.loop.idle(500ms);
    EXPECT_TRUE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
}

// Paste offers the store, waits until the application has read it (and whatever else it
// reads right after), and only then puts the user's clipboard back.
TEST_F(Engine, PasteRestoresOnlyAfterTheApplicationRead) {
    const auto picture = makePicture("bild");
    rig.stores.capture(2, {{platform::kFormatText, platform::kFormatBitmap}, "zwei", picture});
    rig.target.pasteReads = {platform::kFormatText, platform::kFormatBitmap};
    rig.target.readSpacing = kPasteGrace - 10ms;
    std::size_t count = 0;
    for (Millis delay : {0ms, 20ms, 700ms}) {
        rig.target.pasteDelay = delay;
        rig.press(Paste2);
        EXPECT_EQ(rig.clipboard.formats(), usersClipboard()) << delay.count();
        rig.loop.idle(1s);  // whatever the application still does after the action
        ASSERT_EQ(rig.target.pastes.size(), ++count);
        const auto& paste = rig.target.pastes.back();
        EXPECT_EQ(paste.offered,
                  (std::vector<std::uint32_t>{platform::kFormatText, platform::kFormatBitmap}));
        EXPECT_EQ(paste.text, "zwei") << delay.count();
        EXPECT_EQ(paste.picture, picture) << delay.count();
    }
    EXPECT_EQ(rig.stores.store(2).text, "zwei");  // pasting leaves the store as it was
}

// An application that never reads: the clipboard still comes back, and an application
// that reads after that gets the user's content, not a half-finished state.
TEST_F(Engine, PasteWithoutReadRestoresAfterTheBound) {
    rig.stores.capture(2, {{platform::kFormatText}, "zwei", nullptr});
    rig.target.pasteDelay = kPasteBound + 100ms;
    rig.press(Paste2);
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
    EXPECT_FALSE(rig.engine.busy());
    rig.loop.idle(1s);
    ASSERT_EQ(rig.target.pastes.size(), 1u);
    EXPECT_EQ(rig.target.pastes[0].text, "user text");
}

// The notice is not the text, and rich text without a picture offers no empty picture.
TEST_F(Engine, PasteOffersTheStoredTextOnly) {
    rig.target.selection = {{platform::kFormatText, clipBytes("Zeile")},
                            {platform::kFormatRtf, clipBytes("{\\rtf1 Zeile}")},
                            {platform::kFormatFileList, clipBytes("C:\\b.txt")}};
    rig.press(Copy2);
    ASSERT_EQ(rig.stores.store(2).displayText(), "Nicht unterstütztes Format");
    ASSERT_TRUE(rig.stores.store(2).hasPicture);

    rig.press(Paste2);
    ASSERT_EQ(rig.target.pastes.size(), 1u);
    EXPECT_EQ(rig.target.pastes[0].text, "Zeile");
    EXPECT_EQ(rig.target.pastes[0].offered, std::vector<std::uint32_t>{platform::kFormatText});
}

// Hotkeys pressed during an action run after it, one after the other: no action starts
// inside another, every one of them works, and the user's clipboard comes back.
TEST_F(Engine, HotkeysDuringAnActionAreQueued) {
    rig.target.copyDelay = 100ms;
    rig.pressLater(10ms, Copy3);
    rig.pressLater(20ms, Paste2);
    rig.press(Copy2);

    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.stores.store(3).text, "selected");
    ASSERT_EQ(rig.target.pastes.size(), 1u);
    EXPECT_EQ(rig.target.pastes[0].text, "selected");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    // Each action's own clipboard work ends with its restore before the next one starts.
    std::vector<std::string> steps;
    for (const auto& entry : rig.journal)
        if (entry == "snapshot" || entry == "restore")
            steps.push_back(entry);
    EXPECT_EQ(steps, (std::vector<std::string>{"snapshot", "restore", "snapshot", "restore",
                                               "snapshot", "restore"}));
}

TEST_F(Engine, QueuedHotkeyIsDroppedWhenTheHotkeysGoOff) {
    rig.target.copyDelay = 100ms;
    rig.pressLater(10ms, Copy3);
    rig.loop.after(20ms, [&] { rig.engine.unregisterHotkeys(); });
    rig.press(Copy2);
    EXPECT_EQ(rig.stores.store(2).text, "selected");
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    EXPECT_EQ(rig.count("snapshot"), 1u);
}

// A status snapshot asked for while an action waits is skipped, so store 1 and the
// restore keep the user's content.
TEST_F(Engine, SnapshotDuringAnActionIsSkipped) {
    rig.target.copyDelay = 100ms;
    std::vector<bool> taken;
    rig.loop.after(10ms, [&] { taken.push_back(rig.engine.UpdateClipboardStatus()); });
    rig.loop.after(150ms, [&] { taken.push_back(rig.engine.UpdateClipboardStatus()); });
    rig.loop.after(20ms, [&] { rig.engine.clearClipboard(); });
    rig.press(Copy2);
    EXPECT_EQ(taken, std::vector<bool>{false});
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
    rig.loop.idle(200ms);
    EXPECT_EQ(taken, (std::vector<bool>{false, true}));
}

// Another program holds the clipboard when the hotkey comes: without the user's content
// in hand the action touches nothing.
TEST_F(Engine, UnreadableClipboardCancelsTheAction) {
    rig.press(Copy2);
    rig.journal.clear();
    rig.clipboard.heldByOther = true;
    rig.press(Copy3);
    rig.press(Paste2);
    EXPECT_TRUE(rig.keys.batches.size() == 2u);  // only the first copy's keystroke
    EXPECT_EQ(rig.stores.store(3).displayText(), "leer");
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
}

// Another program grabs the clipboard right after the capture read it, so the restore
// fails. Store 1 still holds the user's content, and the restore is made up before
// anything else looks at the clipboard: a change notification, a status snapshot or the
// next hotkey.
struct BusyRestore : Engine {
    void copyWhileAnotherProgramGrabsTheClipboard() {
        rig.clipboard.afterStep = [this](const std::string& step) {
            if (step == "read")
                rig.clipboard.heldByOther = true;
        };
        rig.press(Copy2);
        rig.clipboard.afterStep = nullptr;
        ASSERT_EQ(rig.stores.store(2).text, "selected");
        ASSERT_EQ(rig.clipboard.textNow(), "selected");
        EXPECT_FALSE(rig.engine.UpdateClipboardStatus());
        rig.clipboard.heldByOther = false;
    }
};

TEST_F(BusyRestore, MadeUpOnTheNextChangeNotification) {
    copyWhileAnotherProgramGrabsTheClipboard();
    rig.engine.clipboardChanged();
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
}

TEST_F(BusyRestore, MadeUpBeforeTheNextSnapshot) {
    copyWhileAnotherProgramGrabsTheClipboard();
    EXPECT_TRUE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
}

TEST_F(BusyRestore, MadeUpBeforeTheNextAction) {
    copyWhileAnotherProgramGrabsTheClipboard();
    rig.press(Paste2);
    ASSERT_EQ(rig.target.pastes.size(), 1u);
    EXPECT_EQ(rig.target.pastes[0].text, "selected");
    EXPECT_EQ(rig.stores.store(1).text, "user text");
    EXPECT_EQ(rig.clipboard.formats(), usersClipboard());
}

// Someone wrote the clipboard in the meantime: it is theirs, nothing is put back over it.
TEST_F(BusyRestore, DroppedWhenSomeoneWroteMeanwhile) {
    copyWhileAnotherProgramGrabsTheClipboard();
    rig.clipboard.write(textFormats("newer"));
    EXPECT_TRUE(rig.engine.UpdateClipboardStatus());
    EXPECT_EQ(rig.clipboard.textNow(), "newer");
    EXPECT_EQ(rig.stores.store(1).text, "newer");
}

TEST_F(Engine, ClearingStoresAndTheClipboard) {
    rig.press(Copy2);
    rig.engine.clearStore(2);
    EXPECT_EQ(rig.stores.panelText(2), "Ablage 2: ---");
    rig.press(Paste2);
    EXPECT_TRUE(rig.target.pastes.back().offered.empty());

    rig.engine.clearClipboard();
    EXPECT_TRUE(rig.clipboard.formats().empty());
    EXPECT_EQ(rig.stores.store(1).displayText(), "leer");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");
}

}  // namespace
}  // namespace trifolio
