// trifolio.exe end to end under Wine: real hotkeys typed through SendInput cut, copy
// and paste between e2e_target.exe and the program's stores, and the user's own
// clipboard is the same before and after every action.
#include <gtest/gtest.h>

#include <memory>

#include "e2e_support.h"
#include "platform/win32/settings_window.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// Store 2 on STRG+ALT X / C / V, store 3 on ALT+Q / W / E.
const std::vector<Assignment> kAssignments = {{"STRG+ALT", "X"}, {"STRG+ALT", "C"},
                                              {"STRG+ALT", "V"}, {"ALT", "Q"},
                                              {"ALT", "W"},      {"ALT", "E"}};

class EngineEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        trifolio_ = std::make_unique<Trifolio>();
        target_ = std::make_unique<Target>();
        owner_ = std::make_unique<MessageWindow>();
        started_ = trifolio_->start(kAssignments, MOD_ALT, 'E') && target_->start();
    }
    static void TearDownTestSuite() {
        target_.reset();
        trifolio_.reset();
        owner_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(started_) << "trifolio.exe or e2e_target.exe did not come up";
        ASSERT_TRUE(trifolio_->running());
        ASSERT_TRUE(target_->setDelay(0));
    }

    static std::wstring storeText(int store) {
        return trifolio_->controlText(win32::controlId(store == 2 ? "CB2text" : "CB3text"))
            .value_or(L"<no store control>");
    }
    static bool storeShows(int store, const std::wstring& text) {
        return pumpUntil([&] { return storeText(store) == text; }, 5000ms);
    }

    // Puts the user's own content into the clipboard and returns it as read back.
    static ClipboardState userClipboard(const std::wstring& text, const std::string& rtf = {}) {
        EXPECT_TRUE(setUserClipboard(owner_->get(), text, rtf));
        return readClipboardState(owner_->get()).value_or(ClipboardState{});
    }
    static void expectClipboardBack(const ClipboardState& before) {
        std::optional<ClipboardState> now;
        pumpUntil(
            [&] {
                now = readClipboardState(owner_->get());
                return now == before;
            },
            3000ms);
        ASSERT_TRUE(now);
        EXPECT_EQ(*now, before) << "before: " << describe(before) << "\nafter:  " << describe(*now);
    }

    // Presses the hotkey and, like a user, lets go only once the target application
    // has reacted to the program's keystroke.
    static void hold(UINT modifiers, UINT key, Operation reaction) {
        const LRESULT before = target_->completed(reaction);
        holdHotkey(modifiers, key, [&] { return target_->completed(reaction) != before; });
    }

    // Selects `text` whole in the source edit, with the focus there.
    static void selectSource(const std::wstring& text) {
        ASSERT_TRUE(target_->setText(0, text));
        ASSERT_TRUE(target_->focus(0));
        target_->select(0, 0, -1);
    }
    static void focusEmptyDestination() {
        ASSERT_TRUE(target_->setText(1, L""));
        ASSERT_TRUE(target_->focus(1));
    }
    static bool destinationShows(const std::wstring& text) {
        return pumpUntil([&] { return target_->text(1) == text; }, 5000ms);
    }

    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Target> target_;
    static inline std::unique_ptr<MessageWindow> owner_;
    static inline bool started_ = false;
};

TEST_F(EngineEndToEnd, CopiesIntoStore2AndPastesElsewhereWithTheClipboardUntouched) {
    const std::wstring text = L"Kopie nach Ablage 2: Grüße, Ωμέγα, 日本, €";
    const ClipboardState before = userClipboard(L"die eigene Ablage des Benutzers");

    selectSource(text);
    hold(kCtrlAlt, 'C', kCopy);
    ASSERT_TRUE(storeShows(2, text)) << "store 2 shows: " << storeText(2).size() << " chars";
    EXPECT_EQ(target_->text(0), text) << "copying leaves the source as it was";
    expectClipboardBack(before);

    focusEmptyDestination();
    hold(kCtrlAlt, 'V', kPaste);
    EXPECT_TRUE(destinationShows(text));
    expectClipboardBack(before);
}

TEST_F(EngineEndToEnd, CutsIntoStore3WithAnAltHotkeyAndPastesElsewhere) {
    const ClipboardState before = userClipboard(L"bleibt in der Ablage");
    ASSERT_TRUE(target_->setText(0, L"vorne AUSGESCHNITTEN hinten"));
    ASSERT_TRUE(target_->focus(0));
    target_->select(0, 6, 20);

    hold(MOD_ALT, 'Q', kCut);
    ASSERT_TRUE(storeShows(3, L"AUSGESCHNITTEN"));
    EXPECT_EQ(target_->text(0), L"vorne  hinten");
    expectClipboardBack(before);

    focusEmptyDestination();
    hold(MOD_ALT, 'E', kPaste);
    EXPECT_TRUE(destinationShows(L"AUSGESCHNITTEN"));
    expectClipboardBack(before);
}

// The second hotkey comes while the first action still waits for the target.
TEST_F(EngineEndToEnd, TwoHotkeysInQuickSuccessionBothWork) {
    const ClipboardState before = userClipboard(L"schnell hintereinander, danach wie vorher");
    selectSource(L"doppelt");
    ASSERT_TRUE(target_->setDelay(150));
    const LRESULT copies = target_->requested(kCopy);
    holdHotkey(kCtrlAlt, 'C', [&] { return target_->requested(kCopy) != copies; });
    typeHotkey(MOD_ALT, 'W');
    EXPECT_TRUE(storeShows(2, L"doppelt"));
    EXPECT_TRUE(storeShows(3, L"doppelt"));
    expectClipboardBack(before);
    ASSERT_TRUE(target_->setDelay(0));

    selectSource(L"zwei");
    hold(MOD_ALT, 'W', kCopy);
    ASSERT_TRUE(storeShows(3, L"zwei"));
    expectClipboardBack(before);

    // After the first paste the program still waits for further reads.
    focusEmptyDestination();
    const LRESULT pastes = target_->completed(kPaste);
    holdHotkey(kCtrlAlt, 'V', [&] { return target_->completed(kPaste) != pastes; });
    typeHotkey(MOD_ALT, 'E');
    EXPECT_TRUE(destinationShows(L"doppeltzwei"));
    expectClipboardBack(before);
}

TEST_F(EngineEndToEnd, ATargetThatCopies300MillisecondsLateIsStillCaptured) {
    const ClipboardState before = userClipboard(L"vor der späten Kopie");
    ASSERT_TRUE(target_->setDelay(300));
    selectSource(L"spät kopiert");
    const LRESULT copies = target_->completed(kCopy);
    hold(MOD_ALT, 'W', kCopy);
    ASSERT_TRUE(storeShows(3, L"spät kopiert"));
    EXPECT_GT(target_->completed(kCopy), copies);
    expectClipboardBack(before);

    // A late paste reads the store too.
    focusEmptyDestination();
    hold(MOD_ALT, 'E', kPaste);
    EXPECT_TRUE(destinationShows(L"spät kopiert"));
    expectClipboardBack(before);
}

TEST_F(EngineEndToEnd, CopyingNothingLeavesTheStoreEmptyAndTheClipboardAsItWas) {
    const ClipboardState before = userClipboard(L"nichts markiert");
    selectSource(L"Text ohne Auswahl");
    target_->select(0, 3, 3);
    hold(kCtrlAlt, 'C', kCopy);
    EXPECT_TRUE(storeShows(2, L"leer"));
    expectClipboardBack(before);

    // A copy that does arrive ends the program's watch for a late one.
    selectSource(L"doch noch etwas");
    hold(kCtrlAlt, 'C', kCopy);
    EXPECT_TRUE(storeShows(2, L"doch noch etwas"));
    expectClipboardBack(before);
}

TEST_F(EngineEndToEnd, RichTextOnTheClipboardComesBackWhole) {
    const ClipboardState before =
        userClipboard(L"fett und kursiv", "{\\rtf1\\ansi {\\b fett} und {\\i kursiv}}");
    ASSERT_FALSE(before.rtf.empty());
    selectSource(L"reicher Text bleibt");
    hold(kCtrlAlt, 'C', kCopy);
    ASSERT_TRUE(storeShows(2, L"reicher Text bleibt"));
    expectClipboardBack(before);

    focusEmptyDestination();
    hold(kCtrlAlt, 'V', kPaste);
    EXPECT_TRUE(destinationShows(L"reicher Text bleibt"));
    expectClipboardBack(before);
}

TEST_F(EngineEndToEnd, RichTextCopiedInWordpadComesBackWhole) {
    Wordpad wordpad;
    if (!wordpad.start())
        GTEST_SKIP() << "Wine's wordpad is not installed in this prefix";
    ASSERT_TRUE(setUserClipboard(owner_->get(), L"Wordpad",
                                 "{\\rtf1\\ansi normal {\\b fett} {\\i kursiv} \\u8364? Euro}"));
    wordpad.pasteAndCopyAll();
    const ClipboardState before = readClipboardState(owner_->get()).value_or(ClipboardState{});
    ASSERT_NE(before.rtf.find("fett"), std::string::npos) << describe(before);
    ASSERT_NE(before.rtf.find("Riched"), std::string::npos) << "wordpad's own rich text";

    selectSource(L"neben Wordpad kopiert");
    hold(kCtrlAlt, 'C', kCopy);
    ASSERT_TRUE(storeShows(2, L"neben Wordpad kopiert"));
    expectClipboardBack(before);

    focusEmptyDestination();
    hold(kCtrlAlt, 'V', kPaste);
    EXPECT_TRUE(destinationShows(L"neben Wordpad kopiert"));
    expectClipboardBack(before);

    // Wordpad takes the clipboard that came back as its rich text again.
    wordpad.pasteAndCopyAll();
    const auto again = readClipboardState(owner_->get());
    ASSERT_TRUE(again);
    EXPECT_NE(again->rtf.find("\\b fett"), std::string::npos) << describe(*again);
    EXPECT_EQ(again->text.substr(0, before.text.size()), before.text);
}

}  // namespace
}  // namespace trifolio::e2e
