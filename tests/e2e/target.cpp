// e2e_target.exe: the application the end-to-end tests and the benchmark type into. Its
// edits get Ctrl+C, Ctrl+X and Ctrl+V as WM_COPY, WM_CUT and WM_PASTE and carry them out
// after the delay set with kSetDelay, one at a time, as slow applications do.
#include <windows.h>

#include <utility>

#include "target_protocol.h"

namespace {

using namespace trifolio::e2e;

HWND edits[2], reporter, lateEdit;
WNDPROC editProc;
UINT delay, lateMessage;
LRESULT requests;

void carryOut(HWND edit, UINT message) {
    CallWindowProcW(editProc, edit, message, 0, 0);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const Operation operation = message == WM_COPY ? kCopy : message == WM_CUT ? kCut : kPaste;
    if (reporter)
        PostMessageW(reporter, kReport, operation * 2 + 1, static_cast<LPARAM>(now.QuadPart));
}

LRESULT CALLBACK editProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPY || message == WM_CUT || message == WM_PASTE) {
        ++requests;
        if (lateEdit)  // one late operation at a time: the earlier one goes first
            carryOut(std::exchange(lateEdit, nullptr), lateMessage);
        if (delay == 0) {
            carryOut(edit, message);
        } else {
            lateEdit = edit;
            lateMessage = message;
            SetTimer(edit, 1, delay, nullptr);
        }
        return 0;
    }
    if (message != WM_TIMER || wParam != 1)
        return CallWindowProcW(editProc, edit, message, wParam, lParam);
    KillTimer(edit, 1);
    if (lateEdit == edit)
        carryOut(std::exchange(lateEdit, nullptr), lateMessage);
    return 0;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kSetDelay:
            delay = static_cast<UINT>(wParam);
            return 1;
        case kSetReporter:
            reporter = reinterpret_cast<HWND>(wParam);
            return 1;
        case kFocusEdit:
            SetForegroundWindow(window);
            SetFocus(edits[wParam ? 1 : 0]);
            return GetFocus() == edits[wParam ? 1 : 0] && GetForegroundWindow() == window;
        case kRequests:
            return requests;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

// The command line may name another window class for the main window.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const wchar_t* className = *commandLine ? commandLine : kTargetClass;
    const WNDCLASSW windowClass{
        0,        windowProcedure, 0,       0,
        instance, nullptr,         nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
        nullptr,  className};
    // Top left, away from where the pointer rests on a fresh X display (its middle).
    HWND window = RegisterClassW(&windowClass)
                      ? CreateWindowExW(0, className, L"Trifolio E2E Target", WS_OVERLAPPEDWINDOW,
                                        10, 10, 420, 300, nullptr, nullptr, instance, nullptr)
                      : nullptr;
    for (int i = 0; window && i < 2; ++i) {
        edits[i] = CreateWindowExW(
            0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_NOHIDESEL, 0,
            i * 130, 400, 125, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditIds[i])),
            instance, nullptr);
        editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edits[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProcedure)));
    }
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edits[0]);
    for (MSG msg; GetMessageW(&msg, nullptr, 0, 0) > 0; DispatchMessageW(&msg))
        TranslateMessage(&msg);
    return 0;
}
