// A real message box, read and answered by another thread as a user would.
#include "platform/win32/dialogs.h"

#include <gtest/gtest.h>

#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;

TEST(Win32Dialogs, AQuestionShowsItsTextsAndDefaultIsModalAndReturnsTheAnswer) {
    RecordingWindow owner(false);
    Win32Dialogs dialogs;
    dialogs.setOwner(owner.get());
    const std::string text =
        "Modul LoadOptions: Datei nicht gefunden.\n\rSoll das Programm "
        "fortgeführt werden?";
    std::wstring shown;
    int defaultButton = 0;
    bool ownerEnabled = true;
    std::thread user([&] {
        HWND box = nullptr;
        if (!pumpUntil([&] { return (box = FindWindowW(L"#32770", L"Fehler!")) != nullptr; },
                       20000ms))
            return;
        wchar_t buffer[512] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 512);
        shown = buffer;
        for (int id : {IDYES, IDNO})
            if ((GetWindowLongW(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                defaultButton = id;
        ownerEnabled = GetWindow(box, GW_OWNER) != owner.get() || IsWindowEnabled(owner.get());
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    });
    EXPECT_EQ(
        dialogs.messageBox("Fehler!", text, platform::Buttons::YesNo, platform::Icon::Stop, true),
        platform::Answer::No);
    user.join();
    std::erase_if(shown, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    EXPECT_EQ(shown,
              L"Modul LoadOptions: Datei nicht gefunden.Soll das Programm fortgef\u00FChrt "
              L"werden?");
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_FALSE(ownerEnabled) << "owned by the window and modal to it";
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
}

}  // namespace
}  // namespace trifolio::win32
