// The program's waits: they let messages run and end on their condition or bound.
#include "platform/win32/event_loop.h"

#include <gtest/gtest.h>

#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;

// A wait ends on a condition that another thread makes true without any message, and
// checks it again while it waits; a quit that comes during a wait is kept for the main
// loop.
TEST(EventLoop, WaitEndsOnAConditionNoMessageAnnouncesAndKeepsAQuitForTheMainLoop) {
    Win32EventLoop loop;
    std::atomic<bool> flag{false};
    std::thread setter([&] { flag = true; });
    EXPECT_TRUE(loop.waitUntil([&] { return flag.load(); }, 5000ms));
    setter.join();
    int checks = 0;
    EXPECT_FALSE(loop.waitUntil([&] { return ++checks > 1000000; }, 30ms));
    EXPECT_GT(checks, 1);

    PostQuitMessage(7);
    EXPECT_FALSE(loop.waitUntil([] { return false; }, 30ms));
    loop.pumpOnce();
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(EventLoop, TabMovesBetweenTheControlsOfTheRegisteredDialog) {
    RecordingWindow dialog(false, true);
    SetWindowLongPtrW(dialog.get(), GWL_EXSTYLE,
                      GetWindowLongPtrW(dialog.get(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    HWND edits[2];
    for (int i = 0; i < 2; ++i)
        edits[i] = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 30 * i,
                                   80, 20, dialog.get(), nullptr, nullptr, nullptr);
    SetForegroundWindow(dialog.get());
    SetFocus(edits[0]);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == edits[0]; }));

    Win32EventLoop loop;
    loop.setDialog(dialog.get());
    PostMessageW(edits[0], WM_KEYDOWN, VK_TAB, 0);
    loop.pumpOnce();
    EXPECT_EQ(GetFocus(), edits[1]);
}

}  // namespace
}  // namespace trifolio::win32
