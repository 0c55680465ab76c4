// Helpers for the tests against the real Win32 APIs under Wine: bounded waits, a window
// that records its messages, another thread acting as another program, and raw
// clipboard access around the program's own clipboard code.
#pragma once

#include <windows.h>

#include "../support/pump.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"

namespace trifolio::wine_test {

using namespace std::chrono_literals;

using test::pumpUntil;

// A message-only window of a test class that records every message it receives. As a
// clipboard owner it renders what is read of its late formats with `render`, when set.
class RecordingWindow {
  public:
    RecordingWindow() {
        static const WNDCLASSW wc{0,       &proc,   0,       0,       GetModuleHandleW(nullptr),
                                  nullptr, nullptr, nullptr, nullptr, L"TrifolioTestRecorder"};
        [[maybe_unused]] static const ATOM registered = RegisterClassW(&wc);
        window_.reset(CreateWindowExW(0, L"TrifolioTestRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), this));
    }
    HWND get() const { return window_.get(); }
    // The wParams of every `message` received, in order.
    std::vector<WPARAM> wParams(UINT message) const {
        std::vector<WPARAM> all;
        for (const MSG& m : messages_)
            if (m.message == message)
                all.push_back(m.wParam);
        return all;
    }
    void forget() { messages_.clear(); }
    std::function<HANDLE(UINT)> render;

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        // The window goes before the list it records into.
        auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self)
            self->messages_.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
        if (self && message == WM_RENDERFORMAT && self->render)
            SetClipboardData(static_cast<UINT>(wParam), self->render(static_cast<UINT>(wParam)));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    std::vector<MSG> messages_;
    win32::Window window_;
};

// Runs `work` with a window on a thread of its own, as another program would; the
// destructor pumps this thread's messages (render requests among them) until it is done.
class OtherProgram {
  public:
    explicit OtherProgram(std::function<void(HWND)> work)
        : thread_([this, work = std::move(work)] {
              RecordingWindow window;
              work(window.get());
              done_ = true;
          }) {}
    ~OtherProgram() {
        pumpUntil([this] { return done_.load(); }, 15000ms);
        thread_.join();
    }
    bool done() const { return done_; }

  private:
    std::atomic<bool> done_{false};
    std::thread thread_;
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

using ClipboardData = std::vector<std::pair<UINT, HANDLE>>;

// Replaces the clipboard's content by `data`, owned by `owner`.
inline bool putClipboard(HWND owner, const ClipboardData& data) {
    if (!openClipboardFor(owner))
        return false;
    bool ok = EmptyClipboard() != FALSE;
    for (const auto& [format, handle] : data)
        ok = SetClipboardData(format, handle) != nullptr && ok;
    CloseClipboard();
    return ok;
}

// The clipboard's `format` as bytes equal for equal content whatever the handle: memory,
// bitmap pixels, metafile bits, palette entries. "" when absent.
inline std::string clipboardContent(HWND reader, UINT format) {
    std::string bytes;
    if (!openClipboardFor(reader))
        return "(clipboard not opened)";
    HANDLE handle = GetClipboardData(format);
    if (handle && format == CF_BITMAP) {
        BITMAP info{};
        GetObjectW(handle, sizeof info, &info);
        bytes.resize(static_cast<std::size_t>(info.bmWidthBytes * info.bmHeight));
        GetBitmapBits(static_cast<HBITMAP>(handle), static_cast<LONG>(bytes.size()), bytes.data());
    } else if (handle && format == CF_ENHMETAFILE) {
        auto metafile = static_cast<HENHMETAFILE>(handle);
        bytes.resize(GetEnhMetaFileBits(metafile, 0, nullptr));
        GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()),
                           reinterpret_cast<BYTE*>(bytes.data()));
    } else if (handle && format == CF_PALETTE) {
        bytes.resize(sizeof(PALETTEENTRY) *
                     GetPaletteEntries(static_cast<HPALETTE>(handle), 0, 0, nullptr));
        GetPaletteEntries(static_cast<HPALETTE>(handle), 0,
                          static_cast<UINT>(bytes.size() / sizeof(PALETTEENTRY)),
                          reinterpret_cast<PALETTEENTRY*>(bytes.data()));
    } else if (win32::GlobalLockGuard lock(handle); lock && format == CF_METAFILEPICT) {
        const auto* pict = static_cast<const METAFILEPICT*>(lock.data());
        bytes.resize(GetMetaFileBitsEx(pict->hMF, 0, nullptr));
        GetMetaFileBitsEx(pict->hMF, static_cast<UINT>(bytes.size()), bytes.data());
        bytes += ' ' + std::to_string(pict->mm) + ' ' + std::to_string(pict->xExt) + 'x' +
                 std::to_string(pict->yExt);
    } else if (lock) {
        bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    }
    CloseClipboard();
    return bytes;
}

inline std::wstring clipboardText(HWND reader) {
    const std::string bytes = clipboardContent(reader, CF_UNICODETEXT);
    const auto* text = reinterpret_cast<const wchar_t*>(bytes.data());
    return {text, wcsnlen(text, bytes.size() / sizeof(wchar_t))};
}

}  // namespace trifolio::wine_test
