// Real message boxes, read and answered by a helper thread as a user would.
#include "platform/win32/dialogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/win32/strings.h"

namespace trifolio::win32 {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// What the helper saw of the box.
struct SeenBox {
    std::wstring title;
    std::wstring text;
    int defaultButton = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    bool found = false;
};

struct FindBox {
    HWND box = nullptr;
};
BOOL CALLBACK findMessageBox(HWND window, LPARAM param) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        reinterpret_cast<FindBox*>(param)->box = window;
        return FALSE;
    }
    return TRUE;
}

// Waits (bounded) for a message box of `thread`, records it and presses `button`.
std::thread answerBox(DWORD thread, int button, SeenBox& seen) {
    return std::thread([thread, button, &seen] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        FindBox find;
        while (!find.box && std::chrono::steady_clock::now() < deadline) {
            EnumThreadWindows(thread, findMessageBox, reinterpret_cast<LPARAM>(&find));
            if (!find.box)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!find.box)
            return;
        seen.found = true;
        wchar_t buffer[512] = {};
        GetWindowTextW(find.box, buffer, 512);
        seen.title = buffer;
        GetDlgItemTextW(find.box, 0xFFFF, buffer, 512);
        seen.text = buffer;
        for (int id : {IDOK, IDYES, IDNO}) {
            HWND control = GetDlgItem(find.box, id);
            if (control && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                seen.defaultButton = id;
        }
        seen.owner = GetWindow(find.box, GW_OWNER);
        seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
        PostMessageW(find.box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
}

TEST(Win32Dialogs, ShowsTheTextsAndReturnsTheAnswer) {
    Win32Dialogs dialogs;
    SeenBox seen;
    auto helper = answerBox(GetCurrentThreadId(), IDNO, seen);
    const Answer answer = dialogs.messageBox(
        "Fehler!",
        "Modul LoadOptions: Datei nicht gefunden.\n\rSoll das Programm fortgeführt werden?",
        Buttons::YesNo, Icon::Stop, true);
    helper.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(answer, Answer::No);
    EXPECT_EQ(seen.title, L"Fehler!");
    EXPECT_NE(seen.text.find(L"fortgef\u00FChrt werden?"), std::wstring::npos) << narrow(seen.text);
    EXPECT_EQ(seen.defaultButton, IDNO);
}

TEST(Win32Dialogs, AnOkBoxIsModalToItsOwner) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Besitzer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    Win32Dialogs dialogs;
    dialogs.setOwner(owner);
    SeenBox seen;
    auto helper = answerBox(GetCurrentThreadId(), IDOK, seen);
    const Answer answer = dialogs.messageBox("Achtung!", "Doppelt vergebene Kombination: '+'",
                                             Buttons::Ok, Icon::Exclamation, false);
    helper.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(answer, Answer::Ok);
    EXPECT_EQ(seen.title, L"Achtung!");
    EXPECT_EQ(seen.text, L"Doppelt vergebene Kombination: '+'");
    EXPECT_EQ(seen.owner, owner);
    EXPECT_FALSE(seen.ownerEnabled);  // disabled while its box is up
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

}  // namespace
}  // namespace trifolio::win32
