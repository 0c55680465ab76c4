// Stores 2 and 3 end to end: what an application copied comes back as it was copied,
// rich text into wordpad and a file list into a program of its own, and the user's
// clipboard is back after every action.
#include <gtest/gtest.h>

#include "e2e_support.h"

#include <shlobj.h>

namespace trifolio::e2e {
namespace {

const UINT kUserFormat = RegisterClipboardFormatW(L"TrifolioE2E.User");

const ClipboardState kUsers{true, kUserFormat, L"des Benutzers", "eigen"};

// The user's own content: a text and a format only it has.
void putUsersClipboard(HWND owner) {
    ASSERT_TRUE(setUserClipboard(owner, kUsers.text, kUserFormat, kUsers.bytes));
}
bool usersClipboardBack(HWND reader) {
    return pumpUntil([&] { return clipboardState(reader, kUserFormat) == kUsers; });
}
bool toFront(HWND window) {
    return focusAndWait(window, [&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    });
}

TEST(StoresE2e, BoldTextFromWordpadIsPastedBoldAfterPlainText) {
    wchar_t programs[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH);
    Process wordpad;
    if (!wordpad.start(std::filesystem::path(programs) / "Windows NT" / "Accessories" /
                       "wordpad.exe"))
        GTEST_SKIP() << "Wine's wordpad is not installed in this prefix";
    Trifolio trifolio;
    ASSERT_TRUE(trifolio.start());
    const win32::Window owner = messageWindow();
    HWND main = nullptr, edit = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            main = windowOf(wordpad.id(), L"WORDPADTOP");
            return main && (edit = FindWindowExW(main, nullptr, L"RichEdit20W", nullptr));
        },
        20000ms));
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    ASSERT_TRUE(
        setUserClipboard(owner.get(), L"normal fett", rtf, "{\\rtf1\\ansi normal {\\b fett}}"));
    sendTo(edit, WM_PASTE);
    putUsersClipboard(owner.get());

    ASSERT_TRUE(toFront(main));
    sendTo(edit, EM_SETSEL, 7, 11);
    typeHotkey(MOD_CONTROL | MOD_ALT, 'C');
    ASSERT_TRUE(pumpUntil([&] { return trifolio.text("CB2text") == L"fett"; }));
    EXPECT_TRUE(usersClipboardBack(owner.get()));

    sendTo(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"schlicht "));
    sendTo(edit, EM_SETSEL, 9, 9);
    ASSERT_TRUE(toFront(main));
    typeHotkey(MOD_CONTROL | MOD_ALT, 'V');
    EXPECT_TRUE(pumpUntil([&] { return windowText(edit).find(L"schlicht fett") == 0; }));
    EXPECT_TRUE(usersClipboardBack(owner.get()));

    sendTo(edit, EM_SETSEL, 0, -1);
    sendTo(edit, WM_COPY);
    const std::string copied = clipboardState(owner.get(), rtf).bytes;
    EXPECT_NE(copied.find("\\b fett"), std::string::npos) << copied;
}

// A window of this program that copies a file list on Ctrl+C and keeps what Ctrl+V finds.
struct FileListProgram {
    static inline std::string pasted;
    static inline std::string files;
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && OpenClipboard(window)) {
            if (wParam == 'C' && EmptyClipboard())
                SetClipboardData(CF_HDROP, globalBytes(files.data(), files.size()));
            if (wParam == 'V')
                if (win32::GlobalLockGuard lock(GetClipboardData(CF_HDROP)); lock)
                    pasted.assign(static_cast<const char*>(lock.data()), lock.size());
            CloseClipboard();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

TEST(StoresE2e, AFileListGoesIntoStore3AndIsPastedAsTheSameList) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    const std::wstring names = std::wstring(L"C:\\a.txt") + L'\0' + L"C:\\b c.txt" + L'\0' + L'\0';
    FileListProgram::files.assign(reinterpret_cast<const char*>(&header), sizeof header);
    FileListProgram::files.append(reinterpret_cast<const char*>(names.data()), names.size() * 2);

    Trifolio trifolio;
    ASSERT_TRUE(trifolio.start());
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FileListProgram::proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TrifolioE2EFileList";
    RegisterClassExW(&windowClass);
    const win32::Window program(CreateWindowExW(0, L"TrifolioE2EFileList", L"Dateien",
                                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                                nullptr, nullptr, windowClass.hInstance, nullptr));
    const win32::Window owner = messageWindow();
    putUsersClipboard(owner.get());

    ASSERT_TRUE(toFront(program.get()));
    typeHotkey(MOD_ALT, 'W');
    EXPECT_TRUE(
        pumpUntil([&] { return trifolio.text("CB3text") == L"Nicht unterstütztes Format"; }));
    EXPECT_TRUE(usersClipboardBack(owner.get()));

    ASSERT_TRUE(toFront(program.get()));
    typeHotkey(MOD_ALT, 'E');
    EXPECT_TRUE(pumpUntil([&] { return FileListProgram::pasted == FileListProgram::files; }));
    EXPECT_TRUE(usersClipboardBack(owner.get()));
}

}  // namespace
}  // namespace trifolio::e2e
