// Helpers for the tests that run against the real Win32 APIs under Wine: bounded
// waits, windows that record their messages, and raw clipboard access that goes
// around the program's own clipboard code.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/handles.h"

namespace trifolio::wine_test {

using namespace std::chrono_literals;

// Pumps this thread's messages until `done()` or `bound` has passed; returns done().
inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 3000ms) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// A top-level window of a test class that records every message it receives.
class RecordingWindow {
  public:
    explicit RecordingWindow(bool messageOnly = true, bool visible = false) {
        static const ATOM windowClass = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &RecordingWindow::proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TrifolioTestRecorder";
            return RegisterClassExW(&wc);
        }();
        (void)windowClass;
        window_.reset(CreateWindowExW(0, L"TrifolioTestRecorder", L"recorder",
                                      visible ? WS_OVERLAPPEDWINDOW | WS_VISIBLE : 0, 10, 10, 200,
                                      100, messageOnly ? HWND_MESSAGE : nullptr, nullptr,
                                      GetModuleHandleW(nullptr), this));
    }
    HWND get() const { return window_.get(); }
    // Messages received so far, in order.
    const std::vector<MSG>& messages() const { return messages_; }
    bool received(UINT message, WPARAM wParam) const {
        for (const MSG& m : messages_)
            if (m.message == message && m.wParam == wParam)
                return true;
        return false;
    }
    void clear() { messages_.clear(); }

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        if (auto* self =
                reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            self->messages_.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
            if (message == WM_NCDESTROY)
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    std::vector<MSG> messages_;
    win32::Window window_;
};

// Opens the clipboard for `owner`, retrying while Wine's own clipboard manager has it.
inline bool openClipboardFor(HWND owner) {
    const auto deadline = std::chrono::steady_clock::now() + 2000ms;
    while (!OpenClipboard(owner)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        Sleep(5);
    }
    return true;
}

inline HGLOBAL globalBytes(const std::string& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    win32::GlobalLockGuard lock(memory);
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(lock.data()));
    return memory;
}

inline HGLOBAL globalText(const std::wstring& text) {
    return globalBytes(std::string(reinterpret_cast<const char*>(text.c_str()),
                                   (text.size() + 1) * sizeof(wchar_t)));
}

// Replaces the clipboard's content by `data` (format, handle), owned by `owner`.
inline bool putClipboard(HWND owner, const std::vector<std::pair<UINT, HANDLE>>& data) {
    if (!openClipboardFor(owner))
        return false;
    bool ok = EmptyClipboard() != FALSE;
    for (const auto& [format, handle] : data)
        ok = SetClipboardData(format, handle) != nullptr && ok;
    CloseClipboard();
    return ok;
}

// The bytes of a memory-handle format as the clipboard holds them now ("" if absent).
inline std::string clipboardBytes(HWND reader, UINT format) {
    std::string bytes;
    if (!openClipboardFor(reader))
        return bytes;
    if (HANDLE handle = GetClipboardData(format)) {
        win32::GlobalLockGuard lock(handle);
        if (lock)
            bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    }
    CloseClipboard();
    return bytes;
}

inline std::vector<UINT> clipboardFormats(HWND reader) {
    std::vector<UINT> formats;
    if (!openClipboardFor(reader))
        return formats;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        formats.push_back(f);
    CloseClipboard();
    return formats;
}

inline std::wstring clipboardText(HWND reader) {
    const std::string bytes = clipboardBytes(reader, CF_UNICODETEXT);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

}  // namespace trifolio::wine_test
