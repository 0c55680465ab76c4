// How the end-to-end tests and the benchmark talk to e2e_target.exe, a small application
// with two multi-line edits that cut, copy and paste through the clipboard, optionally late.
#pragma once

#include <windows.h>

namespace trifolio::e2e {

inline constexpr const wchar_t* kTargetClass = L"TrifolioE2ETarget";
inline constexpr int kEditIds[2] = {101, 102};  // source, destination
// Sent to the target's main window; each returns 1 when done.
inline constexpr UINT kSetDelay = WM_APP + 1;     // wParam: reaction delay in ms
inline constexpr UINT kFocusEdit = WM_APP + 2;    // wParam: 0 source, 1 destination
inline constexpr UINT kSetReporter = WM_APP + 3;  // wParam: HWND that gets kReport
inline constexpr UINT kRequests = WM_APP + 4;     // returns the cut, copy and paste requests
// Posted to the reporter when an operation is carried out: wParam = Operation * 2 + 1,
// lParam = QueryPerformanceCounter at that moment.
inline constexpr UINT kReport = WM_APP + 5;

enum Operation : WPARAM { kCopy = 0, kCut = 1, kPaste = 2 };

}  // namespace trifolio::e2e
