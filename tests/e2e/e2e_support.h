// What the end-to-end tests and the benchmarks share: trifolio.exe and e2e_target.exe
// started from here, keys typed through SendInput, the clipboard seen from outside.
#pragma once

#include <windows.h>

#include "../support/pump.h"

#include <shellapi.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "target_protocol.h"
#include "view/settings_window.h"
#include "view/tray.h"
#include "win32/handles.h"
#include "win32/picture.h"

namespace trifolio::e2e {

using namespace std::chrono_literals;
using test::pumpUntil;
using test::typeHotkey;

// Sends a message to another process's window, with a bound.
inline LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

inline std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(sendTo(window, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        sendTo(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The top-level window of `className` (and `title`, when given) of process `id`.
inline HWND windowOf(DWORD id, const wchar_t* className, const wchar_t* title = nullptr) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, className, title));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == id)
            return w;
    }
    return nullptr;
}

// A started process (a Windows program, or one of the machine under Wine), ended with the object.
class Process {
  public:
    ~Process() { stop(); }
    void stop() {
        if (running() && TerminateProcess(process_.get(), 1))
            WaitForSingleObject(process_.get(), 5000);
    }
    bool start(const std::filesystem::path& exe, const std::wstring& arguments = {},
               DWORD flags = 0) {
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                            exe.has_root_name() ? exe.parent_path().c_str() : nullptr, &startup,
                            &info))
            return false;
        CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        id_ = info.dwProcessId;
        return true;
    }
    bool running() const {
        return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
    }
    // Ending takes trifolio.exe about four seconds under Wine.
    bool ended(std::chrono::milliseconds bound = 10000ms) const {
        return process_ && pumpUntil([&] { return !running(); }, bound);
    }
    DWORD id() const { return id_; }
    // Done starting: waiting for input with none pending.
    bool idle() const { return WaitForInputIdle(process_.get(), 20000) == 0; }
    // Its top-level window of `className` (and `title`) once that shows, else null.
    HWND shown(const wchar_t* className, const wchar_t* title = nullptr) const {
        HWND w = nullptr;
        const auto up = [&] { return (w = windowOf(id_, className, title)) && IsWindowVisible(w); };
        return pumpUntil(up, 20000ms) ? w : nullptr;
    }

  private:
    win32::KernelHandle process_;
    DWORD id_ = 0;
};

// Asked on a thread of its own: Wine answers from a per-thread copy for 50 ms after a read.
inline bool logicallyDown(UINT key) {
    bool down = false;
    std::thread([&] { down = (GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0; }).join();
    return down;
}

// Moves the focus with `focus` and waits until a probing Shift survives two trips through
// `window`'s loop: gaining the X focus, Wine resets the modifiers SendInput pressed.
template <typename Focus>
bool focusAndWait(HWND window, const Focus& focus) {
    return pumpUntil(
        [&] {
            if (!focus())
                return false;
            typeHotkey(0, VK_LSHIFT, true, false);
            sendTo(window, WM_NULL);
            sendTo(window, WM_NULL);
            const bool held = logicallyDown(VK_LSHIFT);
            typeHotkey(0, VK_LSHIFT, false, true);
            return held;
        },
        10000ms);
}

// RegisterHotKey from here fails with 1409 while another program holds the combination.
inline bool heldElsewhere(UINT modifiers, UINT key) {
    if (RegisterHotKey(nullptr, 0xB000, modifiers, key))
        return !UnregisterHotKey(nullptr, 0xB000);
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

// Opens the clipboard for `owner`, retrying while another program has it.
inline bool openClipboardFor(HWND owner) {
    return pumpUntil([&] { return OpenClipboard(owner) != FALSE; }, 3000ms);
}

constexpr auto globalBytes = &win32::globalCopy;

// Puts `text` (unless empty) and the bytes of `format` (when given) on the clipboard.
inline bool setUserClipboard(HWND owner, const std::wstring& text, UINT format = 0,
                             const std::string& bytes = {}) {
    if (!openClipboardFor(owner))
        return false;
    bool ok = EmptyClipboard() != FALSE;
    const std::size_t textBytes = (text.size() + 1) * sizeof(wchar_t);  // with the zero
    if (!text.empty())
        ok = SetClipboardData(CF_UNICODETEXT, globalBytes(text.c_str(), textBytes)) && ok;
    if (format)
        ok = SetClipboardData(format, globalBytes(bytes.data(), bytes.size())) && ok;
    return CloseClipboard() && ok;
}

// What another program sees of the clipboard: its text and the bytes of the format `of`.
struct ClipboardState {
    bool read = false;
    UINT of = 0;
    std::wstring text;
    std::string bytes;
    friend bool operator==(const ClipboardState&, const ClipboardState&) = default;
};

inline ClipboardState clipboardState(HWND reader, UINT of = 0) {
    ClipboardState state{openClipboardFor(reader), of, {}, {}};
    if (win32::GlobalLockGuard lock(state.read ? GetClipboardData(CF_UNICODETEXT) : nullptr); lock)
        state.text.assign(
            static_cast<const wchar_t*>(lock.data()),
            wcsnlen(static_cast<const wchar_t*>(lock.data()), lock.size() / sizeof(wchar_t)));
    if (win32::GlobalLockGuard lock(state.read && of ? GetClipboardData(of) : nullptr); lock)
        state.bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    if (state.read)
        CloseClipboard();
    return state;
}

inline win32::Window messageWindow() {
    return win32::Window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
}

// Another program, on a thread of its own, that gets every clipboard change as clipboard
// tools and synchronisers do and runs `changed` with its window (which opens the clipboard).
class ClipboardNeighbour {
  public:
    explicit ClipboardNeighbour(std::function<void(HWND)> changed)
        : thread_([this, changed = std::move(changed)](std::stop_token stop) {
              win32::Window window = messageWindow();
              ready_ = AddClipboardFormatListener(window.get());
              for (MSG msg; !stop.stop_requested();
                   MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, 0))
                  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                      if (msg.message == WM_CLIPBOARDUPDATE)
                          changed(window.get());
          }) {}
    bool listening() const {
        return pumpUntil([&] { return ready_.load(); });
    }

  private:
    std::atomic<bool> ready_{false};
    std::jthread thread_;  // last: stopped and joined first
};

// A program of this build (trifolio.exe, tests/e2e/e2e_target.exe), found from this one.
inline std::filesystem::path buildProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (auto dir = std::filesystem::path(std::wstring(self, length)).parent_path();
         dir != dir.parent_path(); dir = dir.parent_path())
        for (const auto& candidate : {dir / name, dir / "tests" / "e2e" / name})
            if (std::filesystem::exists(candidate))
                return candidate;
    return name;
}

// options.ini as the program writes it: store 2 on STRG+ALT X / C / V, store 3 on ALT Q / W / E.
inline std::string optionsFile(bool minimised) {
    static const char* const kHeads[] = {"Ausschneiden:", "Kopieren:", "Einf\xFCgen:"};
    std::string file;
    for (int i = 0; i < 6; ++i)
        file += std::string("\"Ablage ") + (i < 3 ? "2, " : "3, ") + kHeads[i % 3] + "\"\r\n\"" +
                (i < 3 ? "STRG+ALT" : "ALT") + "\"\r\n\"" + "XCVQWE"[i] + "\"\r\n\"\"\r\n";
    return file +
           "\"\"\r\n\"Optionen:\"\r\n\"autostart: 0\"\r\n\"minimiert: " + (minimised ? "1" : "0") +
           "\"\r\n\"warnen: 0\"\r\n";
}

// trifolio.exe of this build in a fresh directory with its own options.ini; the directory's
// name has a blank and letters beyond any code page.
class Trifolio : public Process {
  public:
    explicit Trifolio(bool minimised = true) {
        static int runs = 0;
        dir_ = std::filesystem::temp_directory_path() /
               (L"trifolio e2e T\u00EBst \u0416-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++runs));
        std::filesystem::remove_all(dir_);  // a crashed run may have left it
        std::filesystem::create_directory(dir_);
        std::filesystem::copy_file(buildProgram(L"trifolio.exe"), dir_ / "trifolio.exe");
        std::ofstream(path(L"options.ini"), std::ios::binary) << optionsFile(minimised);
    }
    ~Trifolio() {
        stop();
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    std::filesystem::path path(const wchar_t* name) const { return dir_ / name; }
    std::string file(const wchar_t* name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Starts it, once an earlier instance has gone, and waits until its hotkeys are
    // registered: the window shows or the tray icon is there.
    bool start(const std::wstring& arguments = {}) {
        const auto up = [&] {
            window_ = windowOf(id(), win32::kSettingsWindowClass);
            return window_ && (IsWindowVisible(window_) || trayIcon(NIM_MODIFY));
        };
        return pumpUntil([] { return !FindWindowW(win32::kSettingsWindowClass, nullptr); },
                         10000ms) &&
               Process::start(path(L"trifolio.exe"), arguments) && pumpUntil(up, 20000ms);
    }

    HWND window() const { return window_; }
    HWND control(std::string_view name) const { return test::child(window_, name); }
    std::wstring text(std::string_view name) const { return windowText(control(name)); }
    // NIM_MODIFY: is the icon there? NIM_DELETE: what Explorer's restart does.
    bool trayIcon(DWORD message) const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = win32::kTrayIconId;
        return Shell_NotifyIconW(message, &data) != FALSE;
    }
    void tray(LPARAM mouse) const {
        PostMessageW(window_, win32::kTrayMessage, win32::kTrayIconId, mouse);
    }

  private:
    std::filesystem::path dir_;
    HWND window_ = nullptr;
};

// e2e_target.exe and its two edit controls: 0 the source, 1 the destination.
class Target : public Process {
  public:
    bool start() {
        // Once it is at the front, its late activation takes the focus from no one.
        return Process::start(buildProgram(L"e2e_target.exe")) && (window_ = shown(kTargetClass)) &&
               pumpUntil([&] { return GetForegroundWindow() == window_; });
    }

    HWND edit(int which) const { return GetDlgItem(window_, kEditIds[which]); }
    bool setText(int which, const std::wstring& text) {
        return sendTo(edit(which), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    std::wstring text(int which) const { return windowText(edit(which)); }
    void select(int which, int from, int to) {
        sendTo(edit(which), EM_SETSEL, static_cast<WPARAM>(from), to);
    }
    bool focus(int which) {
        return focusAndWait(window_,
                            [&] { return sendTo(window_, kFocusEdit, which ? 1 : 0) == 1; });
    }
    bool setDelay(UINT milliseconds) { return sendTo(window_, kSetDelay, milliseconds) == 1; }
    LRESULT requests() const { return sendTo(window_, kRequests); }
    bool setReporter(HWND reporter) {
        return sendTo(window_, kSetReporter, reinterpret_cast<WPARAM>(reporter)) == 1;
    }

  private:
    HWND window_ = nullptr;
};

}  // namespace trifolio::e2e
