// What the end-to-end tests and the benchmarks share: trifolio.exe in a fresh directory
// of its own, e2e_target.exe, keys typed through SendInput, the clipboard seen from outside.
#pragma once

#include <windows.h>

#include "../support/pump.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/win32/handles.h"
#include "platform/win32/settings_window.h"
#include "platform/win32/tray.h"
#include "target_protocol.h"

namespace trifolio::e2e {

using namespace std::chrono_literals;
using test::pumpUntil;

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
    for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w;
         w = FindWindowExW(nullptr, w, className, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == id)
            return w;
    }
    return nullptr;
}

// A started process, ended when the object goes.
class Process {
  public:
    ~Process() { stop(); }
    void stop() {
        if (running()) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    bool start(const std::filesystem::path& exe, const std::wstring& arguments = {}) {
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            exe.parent_path().c_str(), &startup, &info))
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

  private:
    win32::KernelHandle process_;
    DWORD id_ = 0;
};

// Presses and/or releases the hotkey's keys in the order a typist does, with real scan codes.
inline void sendHotkey(UINT modifiers, UINT key, bool press, bool release) {
    std::vector<WORD> keys;
    for (auto [modifier, vk] : {std::pair{MOD_CONTROL, VK_CONTROL}, {MOD_ALT, VK_MENU}})
        if (modifiers & modifier)
            keys.push_back(static_cast<WORD>(vk));
    keys.push_back(static_cast<WORD>(key));
    std::vector<std::pair<WORD, DWORD>> events;  // key, flags
    for (std::size_t i = 0; press && i < keys.size(); ++i)
        events.push_back({keys[i], 0});
    for (std::size_t i = keys.size(); release && i-- > 0;)
        events.push_back({keys[i], KEYEVENTF_KEYUP});
    std::vector<INPUT> inputs(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = events[i].first;
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(events[i].first, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = events[i].second;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
inline void typeHotkey(UINT modifiers, UINT key) {
    sendHotkey(modifiers, key, true, true);
}

// True while the system has the key down. Asked on a thread of its own: Wine answers from
// a per-thread copy for 50 ms after each read, which misses another program's press.
inline bool logicallyDown(UINT key) {
    bool down = false;
    std::thread([&] { down = (GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0; }).join();
    return down;
}

// RegisterHotKey from here fails with 1409 while another program holds the combination.
inline bool heldElsewhere(UINT modifiers, UINT key) {
    if (RegisterHotKey(nullptr, 0xB000, modifiers, key)) {
        UnregisterHotKey(nullptr, 0xB000);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

// Opens the clipboard for `owner`, retrying while another program has it.
inline bool openClipboardFor(HWND owner) {
    return pumpUntil([&] { return OpenClipboard(owner) != FALSE; }, 3000ms);
}

inline HGLOBAL globalBytes(const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (win32::GlobalLockGuard lock(memory); lock)
        std::memcpy(lock.data(), data, size);
    return memory;
}

inline UINT richTextFormat() {
    return RegisterClipboardFormatW(L"Rich Text Format");
}

// Puts text and optionally rich text into the clipboard, owned by `owner`.
inline bool setUserClipboard(HWND owner, const std::wstring& text, const std::string& rtf = {}) {
    if (!openClipboardFor(owner))
        return false;
    bool ok = EmptyClipboard() &&
              SetClipboardData(CF_UNICODETEXT,
                               globalBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    if (!rtf.empty())
        ok = SetClipboardData(richTextFormat(), globalBytes(rtf.c_str(), rtf.size() + 1)) && ok;
    CloseClipboard();
    return ok;
}

// What another program sees of the clipboard: its formats (sorted, without the marks for
// clipboard history and OLE's bookkeeping, which describe no content), its text and rich
// text, and the bytes of the format `bytesOf`.
struct ClipboardState {
    std::vector<UINT> formats;
    std::wstring text;
    std::string rtf, bytes;
    friend bool operator==(const ClipboardState&, const ClipboardState&) = default;
};

inline std::optional<ClipboardState> clipboardState(HWND reader, UINT bytesOf = 0) {
    static const UINT kExcluded[] = {
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
        RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
        RegisterClipboardFormatW(L"DataObject"), RegisterClipboardFormatW(L"Ole Private Data"),
        RegisterClipboardFormatW(L"Wine Marshalled DataObject")};
    if (!openClipboardFor(reader))
        return std::nullopt;
    ClipboardState state;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        if (std::find(std::begin(kExcluded), std::end(kExcluded), f) == std::end(kExcluded))
            state.formats.push_back(f);
    std::sort(state.formats.begin(), state.formats.end());
    if (win32::GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
        state.text.assign(
            static_cast<const wchar_t*>(lock.data()),
            wcsnlen(static_cast<const wchar_t*>(lock.data()), lock.size() / sizeof(wchar_t)));
    if (win32::GlobalLockGuard lock(GetClipboardData(richTextFormat())); lock)
        state.rtf.assign(static_cast<const char*>(lock.data()),
                         strnlen(static_cast<const char*>(lock.data()), lock.size()));
    if (win32::GlobalLockGuard lock(bytesOf ? GetClipboardData(bytesOf) : nullptr); lock)
        state.bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    CloseClipboard();
    return state;
}

// A hidden window of this thread, to own clipboard content.
inline win32::Window messageWindow() {
    return win32::Window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
}

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

// An options file as the program writes it (Windows-1252, CR LF): store 2 on
// STRG+ALT X / C / V, store 3 on ALT Q / W / E, autostart off, no Alt warnings.
inline std::string optionsFile(bool minimised) {
    static const char* const kHeads[] = {"Ausschneiden:", "Kopieren:", "Einf\xFCgen:"};
    std::string file;
    auto line = [&](const std::string& content) { file += "\"" + content + "\"\r\n"; };
    for (int i = 0; i < 6; ++i) {
        line(std::string("Ablage ") + (i < 3 ? "2, " : "3, ") + kHeads[i % 3]);
        line(i < 3 ? "STRG+ALT" : "ALT");
        line(std::string(1, "XCVQWE"[i]));
        line("");
    }
    for (const char* content : {"", "Optionen:", "autostart: 0"})
        line(content);
    line(minimised ? "minimiert: 1" : "minimiert: 0");
    line("warnen: 0");
    return file;
}

// trifolio.exe of this build copied into a fresh temporary directory with its own
// options.ini, started and ended with the object.
class Trifolio {
  public:
    explicit Trifolio(bool minimised = true) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int runs = 0;
        dir_ = std::filesystem::path(temp) /
               (L"trifolio-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++runs));
        std::filesystem::create_directories(dir_);
        std::filesystem::copy_file(buildProgram(L"trifolio.exe"), dir_ / "trifolio.exe");
        put(L"options.ini", optionsFile(minimised));
    }
    ~Trifolio() {
        process_.stop();
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    std::filesystem::path path(const wchar_t* name) const { return dir_ / name; }
    std::string file(const wchar_t* name) const {
        std::ostringstream bytes;
        bytes << std::ifstream(path(name), std::ios::binary).rdbuf();
        return bytes.str();
    }
    void put(const wchar_t* name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary | std::ios::trunc) << bytes;
    }

    // Starts it and waits until start-up is over (its hotkeys are registered by then):
    // the window shows or the tray icon is there.
    bool start(const std::wstring& arguments = {}) {
        // An instance of an earlier test that is still ending would hold the hotkeys.
        if (!pumpUntil([] { return !FindWindowW(win32::kSettingsWindowClass, nullptr); },
                       10000ms) ||
            !process_.start(path(L"trifolio.exe"), arguments))
            return false;
        return pumpUntil(
            [&] {
                window_ = windowOf(process_.id(), win32::kSettingsWindowClass);
                return window_ && (IsWindowVisible(window_) || trayIcon(NIM_MODIFY));
            },
            20000ms);
    }
    bool ended(std::chrono::milliseconds bound = 10000ms) const { return process_.ended(bound); }
    DWORD id() const { return process_.id(); }

    HWND window() const { return window_; }
    // A control of the settings window by its name.
    HWND control(std::string_view name) const {
        std::pair<int, HWND> search{win32::controlId(name), nullptr};
        EnumChildWindows(
            window_,
            [](HWND child, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<std::pair<int, HWND>*>(data);
                if (GetDlgCtrlID(child) == s->first)
                    s->second = child;
                return !s->second;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    std::wstring text(std::string_view name) const { return windowText(control(name)); }
    // NIM_MODIFY: is the program's icon there? NIM_DELETE: what Explorer's restart does.
    bool trayIcon(DWORD message) const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = win32::kTrayIconId;
        return Shell_NotifyIconW(message, &data) != FALSE;
    }
    // A tray icon callback with its mouse message, as the notification area sends it.
    void tray(LPARAM mouse) const {
        PostMessageW(window_, win32::kTrayMessage, win32::kTrayIconId, mouse);
    }

  private:
    std::filesystem::path dir_;
    Process process_;
    HWND window_ = nullptr;
};

// e2e_target.exe and its two edit controls: 0 the source, 1 the destination.
class Target {
  public:
    bool start() {
        if (!process_.start(buildProgram(L"e2e_target.exe")))
            return false;
        return pumpUntil(
            [&] {
                return (window_ = windowOf(process_.id(), kTargetClass)) &&
                       IsWindowVisible(window_);
            },
            20000ms);
    }

    HWND edit(int which) const { return GetDlgItem(window_, kEditIds[which]); }
    bool setText(int which, const std::wstring& text) {
        return sendTo(edit(which), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    std::wstring text(int which) const { return windowText(edit(which)); }
    void select(int which, int from, int to) {
        sendTo(edit(which), EM_SETSEL, static_cast<WPARAM>(from), to);
    }
    // Brings the target to the front with the focus in one edit, and waits until keys
    // pressed now stay pressed: gaining the X focus, Wine sets the modifiers to what the X
    // server knows, which is nothing of SendInput. A probing Shift that survives two trips
    // through the target's message loop shows that no such event is on its way.
    bool focus(int which) {
        return pumpUntil(
            [&] {
                if (sendTo(window_, kFocusEdit, which ? 1 : 0) != 1)
                    return false;
                sendHotkey(0, VK_LSHIFT, true, false);
                sendTo(window_, WM_NULL);
                sendTo(window_, WM_NULL);
                const bool held = logicallyDown(VK_LSHIFT);
                sendHotkey(0, VK_LSHIFT, false, true);
                return held;
            },
            10000ms);
    }
    bool setDelay(UINT milliseconds) { return sendTo(window_, kSetDelay, milliseconds) == 1; }
    bool setReporter(HWND reporter) {
        return sendTo(window_, kSetReporter, reinterpret_cast<WPARAM>(reporter)) == 1;
    }
    // How often `operation` has been requested (phase 0) or carried out (phase 1).
    LRESULT count(Operation operation, int phase) const {
        return sendTo(window_, kCount, operation * 2 + static_cast<WPARAM>(phase));
    }

  private:
    Process process_;
    HWND window_ = nullptr;
};

}  // namespace trifolio::e2e
