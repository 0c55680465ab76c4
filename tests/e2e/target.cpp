// e2e_target.exe: a target application for the end-to-end tests and the benchmark.
// Two multi-line edit controls (source above, destination below). Ctrl+C, Ctrl+X and
// Ctrl+V reach an edit control as WM_COPY, WM_CUT and WM_PASTE; the target can carry
// them out late, after a delay set with kSetDelay, as slow applications do.
#include <windows.h>

#include "target_protocol.h"

namespace {

using namespace trifolio::e2e;

struct Target {
    HWND edits[2] = {};
    WNDPROC editProc = nullptr;
    UINT delay = 0;
    HWND reporter = nullptr;
    LRESULT counts[6] = {};  // Operation * 2 + phase
    // The edit and operation waiting for its delay, one at a time as in a busy program.
    HWND lateEdit = nullptr;
    UINT lateMessage = 0;
} target;

void note(UINT message, int phase) {
    const WPARAM event = (message == WM_COPY  ? kCopy
                          : message == WM_CUT ? kCut
                                              : kPaste) *
                             2 +
                         static_cast<WPARAM>(phase);
    ++target.counts[event];
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (target.reporter)
        PostMessageW(target.reporter, kReport, event, static_cast<LPARAM>(now.QuadPart));
}

void carryOut(HWND edit, UINT message) {
    CallWindowProcW(target.editProc, edit, message, 0, 0);
    note(message, 1);
}

LRESULT CALLBACK editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPY || message == WM_CUT || message == WM_PASTE) {
        note(message, 0);
        if (target.lateEdit)  // one late operation at a time: finish the earlier one
            carryOut(target.lateEdit, target.lateMessage);
        target.lateEdit = nullptr;
        if (target.delay == 0) {
            carryOut(edit, message);
        } else {
            target.lateEdit = edit;
            target.lateMessage = message;
            SetTimer(edit, 1, target.delay, nullptr);
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(edit, 1);
        if (target.lateEdit == edit) {
            target.lateEdit = nullptr;
            carryOut(edit, target.lateMessage);
        }
        return 0;
    }
    return CallWindowProcW(target.editProc, edit, message, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kSetDelay:
            target.delay = static_cast<UINT>(wParam);
            return 1;
        case kFocusEdit: {
            HWND edit = target.edits[wParam ? 1 : 0];
            SetForegroundWindow(window);
            SetFocus(edit);
            return GetFocus() == edit && GetForegroundWindow() == window;
        }
        case kSetReporter:
            target.reporter = reinterpret_cast<HWND>(wParam);
            return 1;
        case kCount:
            return wParam < 6 ? target.counts[wParam] : 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kTargetClass;
    // Top left, away from where the pointer rests on a fresh X display (its middle), so
    // that showing the window does not move the pointer into it.
    HWND window =
        RegisterClassExW(&windowClass)
            ? CreateWindowExW(0, kTargetClass, L"Trifolio E2E Target", WS_OVERLAPPEDWINDOW, 10, 10,
                              420, 300, nullptr, nullptr, instance, nullptr)
            : nullptr;
    if (!window)
        return 1;
    for (int i = 0; i < 2; ++i) {
        target.edits[i] = CreateWindowExW(
            0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_NOHIDESEL, 0,
            i * 130, 400, 125, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditIds[i])),
            instance, nullptr);
        target.editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(target.edits[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(target.edits[0]);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
