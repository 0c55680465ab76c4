// e2e_target.exe: a target application for the end-to-end tests and the benchmark.
// Two multi-line edit controls (source above, destination below). Ctrl+C, Ctrl+X and
// Ctrl+V reach an edit control as WM_COPY, WM_CUT and WM_PASTE; the target can carry
// them out late, after a delay set with "--delay MS" or kSetDelay, as slow
// applications do.
#include <windows.h>

#include <cwchar>
#include <string>

#include "target_protocol.h"

namespace {

using namespace trifolio::e2e;

constexpr UINT_PTR kLateTimer = 1;

struct Target {
    HWND window = nullptr;
    HWND edits[2] = {};
    WNDPROC editProc = nullptr;
    UINT delay = 0;
    HWND reporter = nullptr;
    LRESULT requested[3] = {};
    LRESULT completed[3] = {};
    // The edit and operation waiting for its delay, one at a time as in a busy program.
    HWND lateEdit = nullptr;
    UINT lateMessage = 0;
} target;

Operation operationOf(UINT message) {
    return message == WM_COPY ? kCopy : message == WM_CUT ? kCut : kPaste;
}

void report(UINT message, int phase) {
    if (!target.reporter)
        return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    PostMessageW(target.reporter, kReport, operationOf(message) * 2 + phase,
                 static_cast<LPARAM>(now.QuadPart));
}

LRESULT carryOut(HWND edit, UINT message) {
    const LRESULT result = CallWindowProcW(target.editProc, edit, message, 0, 0);
    ++target.completed[operationOf(message)];
    report(message, 1);
    return result;
}

LRESULT CALLBACK editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPY:
        case WM_CUT:
        case WM_PASTE:
            ++target.requested[operationOf(message)];
            report(message, 0);
            if (target.delay == 0)
                return carryOut(edit, message);
            if (target.lateEdit)  // one late operation at a time: finish the earlier one
                carryOut(target.lateEdit, target.lateMessage);
            target.lateEdit = edit;
            target.lateMessage = message;
            SetTimer(edit, kLateTimer, target.delay, nullptr);
            return 0;
        case WM_TIMER:
            if (wParam == kLateTimer) {
                KillTimer(edit, kLateTimer);
                if (target.lateEdit == edit) {
                    target.lateEdit = nullptr;
                    carryOut(edit, target.lateMessage);
                }
                return 0;
            }
            break;
        default:
            break;
    }
    return CallWindowProcW(target.editProc, edit, message, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            const int width = LOWORD(lParam), height = HIWORD(lParam);
            MoveWindow(target.edits[0], 0, 0, width, height / 2, TRUE);
            MoveWindow(target.edits[1], 0, height / 2, width, height - height / 2, TRUE);
            return 0;
        }
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
        case kCompleted:
            return wParam <= kPaste ? target.completed[wParam] : 0;
        case kRequested:
            return wParam <= kPaste ? target.requested[wParam] : 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::wstring title = L"Trifolio E2E Target";
    for (int i = 1; i + 1 < __argc; ++i) {
        if (std::wcscmp(__wargv[i], L"--delay") == 0)
            target.delay = static_cast<UINT>(std::wcstoul(__wargv[++i], nullptr, 10));
        else if (std::wcscmp(__wargv[i], L"--title") == 0)
            title = __wargv[++i];
    }

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kTargetClass;
    if (!RegisterClassExW(&windowClass))
        return 1;
    // Top left, away from where the pointer rests on a fresh X display (its middle), so
    // that showing the window does not move the pointer into it.
    target.window = CreateWindowExW(0, kTargetClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                                    420, 300, nullptr, nullptr, instance, nullptr);
    if (!target.window)
        return 1;
    const DWORD editStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                            ES_AUTOVSCROLL | ES_NOHIDESEL;
    for (int i = 0; i < 2; ++i) {
        target.edits[i] = CreateWindowExW(
            0, L"EDIT", L"", editStyle, 0, 0, 10, 10, target.window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(i ? kDestinationEditId : kSourceEditId)),
            instance, nullptr);
        target.editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(target.edits[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
    }
    ShowWindow(target.window, SW_SHOW);
    SetForegroundWindow(target.window);
    SetFocus(target.edits[0]);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
