// A real message box, read and answered by another thread as a user would.
#include "platform/win32/dialogs.h"

#include <gtest/gtest.h>

#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;

// A question whose default is No has its No button as the default one, and it is modal
// to the window that owns it.
TEST(Win32Dialogs, AQuestionDefaultingToNoIsModalToItsOwnerAndReturnsTheAnswer) {
    RecordingWindow owner(false);
    Win32Dialogs dialogs;
    dialogs.setOwner(owner.get());
    int defaultButton = 0;
    bool ownerEnabled = true;
    std::thread user([&] {
        // The box is found once it is made, its default button once it is shown.
        HWND box = nullptr;
        const auto isDefault = [&](int id) {
            return (GetWindowLongW(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) ==
                   BS_DEFPUSHBUTTON;
        };
        if (!pumpUntil(
                [&] {
                    box = FindWindowW(L"#32770", L"Fehler!");
                    return box && IsWindowVisible(box) && (isDefault(IDYES) || isDefault(IDNO));
                },
                20000ms))
            return;
        defaultButton = isDefault(IDNO) ? IDNO : IDYES;
        ownerEnabled = GetWindow(box, GW_OWNER) != owner.get() || IsWindowEnabled(owner.get());
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    });
    EXPECT_EQ(dialogs.messageBox("Fehler!", "Soll das Programm fortgeführt werden?",
                                 platform::Buttons::YesNo, platform::Icon::Stop, true),
              platform::Answer::No);
    user.join();
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_FALSE(ownerEnabled) << "owned by the window and modal to it";
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
}

}  // namespace
}  // namespace trifolio::win32
