// What the end-to-end tests and the hotkey benchmark share: starting trifolio.exe
// with assignments of their own in a fresh directory, driving e2e_target.exe, typing
// hotkeys through SendInput and looking at the clipboard from outside.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/key_input.h"
#include "target_protocol.h"

namespace trifolio::e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Pumps this thread's messages until `done()` or `bound`; returns done().
inline bool pumpUntil(const std::function<bool()>& done, Millis bound = 5000ms) {
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
        MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Directory of the running executable.
inline std::filesystem::path exeDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path();
}

// trifolio.exe in this directory or the nearest one above it (the build directory).
inline std::optional<std::filesystem::path> findTrifolio() {
    for (auto dir = exeDirectory();; dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / "trifolio.exe"))
            return dir / "trifolio.exe";
        if (dir == dir.parent_path())
            return std::nullopt;
    }
}

// One assignment as the options file writes it: modifier text and key text.
struct Assignment {
    std::string modifier;
    std::string key;
};

// The six assignments Cut2 ... Paste3 as a 29-line options file (Windows-1252, CR LF);
// autostart off, started minimised into the tray, no Alt warnings.
inline std::string optionsFile(const std::vector<Assignment>& six) {
    static const char* const kHeads[] = {
        "Ablage 2, Ausschneiden:", "Ablage 2, Kopieren:", "Ablage 2, Einf\xFCgen:",
        "Ablage 3, Ausschneiden:", "Ablage 3, Kopieren:", "Ablage 3, Einf\xFCgen:"};
    std::string file;
    auto line = [&](const std::string& content) { file += "\"" + content + "\"\r\n"; };
    for (std::size_t i = 0; i < 6; ++i) {
        line(kHeads[i]);
        line(six.at(i).modifier);
        line(six.at(i).key);
        line("");
    }
    line("");
    line("Optionen:");
    line("autostart: 0");
    line("minimiert: 1");
    line("warnen: 0");
    return file;
}

// A started process, ended when the object goes.
class Process {
  public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() { stop(); }

    bool start(const std::filesystem::path& exe, const std::wstring& arguments = {}) {
        stop();
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        const std::wstring directory = exe.parent_path().wstring();
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            directory.c_str(), &startup, &info))
            return false;
        CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        id_ = info.dwProcessId;
        return true;
    }
    bool running() const {
        return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
    }
    DWORD id() const { return id_; }

    // Asks the process's top-level windows of `windowClass` to close, waits for the
    // process to end, and ends it when it does not.
    void stop(const wchar_t* windowClass = nullptr) {
        if (!running()) {
            process_.reset();
            return;
        }
        if (windowClass) {
            struct Search {
                DWORD id;
                const wchar_t* windowClass;
            } search{id_, windowClass};
            EnumWindows(
                [](HWND window, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    wchar_t name[64] = {};
                    GetClassNameW(window, name, 64);
                    if (owner == s->id && std::wstring(name) == s->windowClass)
                        PostMessageW(window, WM_CLOSE, 0, 0);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            pumpUntil([&] { return !running(); }, 5000ms);
        }
        if (running()) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 5000);
        }
        process_.reset();
    }

  private:
    win32::KernelHandle process_;
    DWORD id_ = 0;
};

// Key presses through SendInput, with real scan codes.
inline void sendKeys(const std::vector<std::pair<UINT, bool>>& keys) {  // (key, release)
    std::vector<INPUT> inputs;
    for (auto [key, release] : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline std::vector<std::pair<UINT, bool>> hotkeyEvents(UINT modifiers, UINT key, bool press,
                                                       bool release) {
    std::vector<std::pair<UINT, bool>> events;
    if (press) {
        if (modifiers & MOD_CONTROL)
            events.push_back({VK_CONTROL, false});
        if (modifiers & MOD_ALT)
            events.push_back({VK_MENU, false});
        events.push_back({key, false});
    }
    if (release) {
        events.push_back({key, true});
        if (modifiers & MOD_ALT)
            events.push_back({VK_MENU, true});
        if (modifiers & MOD_CONTROL)
            events.push_back({VK_CONTROL, true});
    }
    return events;
}

// Presses and releases in one batch, as a quick typist does.
inline void typeHotkey(UINT modifiers, UINT key) {
    sendKeys(hotkeyEvents(modifiers, key, true, true));
}

// Presses the hotkey and holds it until `reacted()` (bounded), as a user who is
// still holding the keys when the program starts its action; then lets go.
inline void holdHotkey(UINT modifiers, UINT key, const std::function<bool()>& reacted) {
    sendKeys(hotkeyEvents(modifiers, key, true, false));
    pumpUntil(reacted, 2000ms);
    std::vector<std::pair<UINT, bool>> releases;
    // Only what is still down: a program that released a key has released it.
    for (auto [k, up] : hotkeyEvents(modifiers, key, false, true))
        if (GetAsyncKeyState(static_cast<int>(k)) & 0x8000)
            releases.push_back({k, up});
    if (!releases.empty())
        sendKeys(releases);
}

// Opens the clipboard for `owner`, retrying while another program has it.
inline bool openClipboardFor(HWND owner) {
    return pumpUntil([&] { return OpenClipboard(owner) != FALSE; }, 3000ms);
}

inline HGLOBAL globalBytes(const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    win32::GlobalLockGuard lock(memory);
    if (lock)
        std::memcpy(lock.data(), data, size);
    return memory;
}

// What the user's clipboard holds, as far as the tests compare it.
struct ClipboardState {
    std::vector<UINT> formats;  // sorted; without the program's history-exclusion formats
    std::wstring text;
    std::string rtf;
    friend bool operator==(const ClipboardState&, const ClipboardState&) = default;
};

inline std::optional<ClipboardState> readClipboardState(HWND reader) {
    // The program's marks for clipboard history, and OLE's bookkeeping of the program
    // that copied, which describe no content.
    static const UINT kExcluded[] = {
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
        RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
        RegisterClipboardFormatW(L"DataObject"), RegisterClipboardFormatW(L"Ole Private Data"),
        RegisterClipboardFormatW(L"Wine Marshalled DataObject")};
    static const UINT kRtf = RegisterClipboardFormatW(L"Rich Text Format");
    if (!openClipboardFor(reader))
        return std::nullopt;
    ClipboardState state;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        if (std::find(std::begin(kExcluded), std::end(kExcluded), f) == std::end(kExcluded))
            state.formats.push_back(f);
    std::sort(state.formats.begin(), state.formats.end());
    if (HANDLE handle = GetClipboardData(CF_UNICODETEXT)) {
        win32::GlobalLockGuard lock(handle);
        if (lock)
            state.text.assign(
                static_cast<const wchar_t*>(lock.data()),
                wcsnlen(static_cast<const wchar_t*>(lock.data()), lock.size() / sizeof(wchar_t)));
    }
    if (HANDLE handle = GetClipboardData(kRtf)) {
        win32::GlobalLockGuard lock(handle);
        if (lock)
            state.rtf.assign(static_cast<const char*>(lock.data()),
                             strnlen(static_cast<const char*>(lock.data()), lock.size()));
    }
    CloseClipboard();
    return state;
}

// Puts text and optionally rich text into the clipboard, owned by `owner`.
inline bool setUserClipboard(HWND owner, const std::wstring& text, const std::string& rtf = {}) {
    if (!openClipboardFor(owner))
        return false;
    bool ok = EmptyClipboard() != FALSE;
    ok = SetClipboardData(CF_UNICODETEXT,
                          globalBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t))) &&
         ok;
    if (!rtf.empty())
        ok = SetClipboardData(RegisterClipboardFormatW(L"Rich Text Format"),
                              globalBytes(rtf.c_str(), rtf.size() + 1)) &&
             ok;
    CloseClipboard();
    return ok;
}

inline std::string describe(const ClipboardState& state) {
    std::string out = "formats";
    for (UINT f : state.formats)
        out += " " + std::to_string(f);
    out += "; text \"";
    for (wchar_t c : state.text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out + "\"; rtf \"" + state.rtf + "\"";
}

// A hidden window that owns clipboard content and receives reports.
class MessageWindow {
  public:
    explicit MessageWindow(std::function<void(UINT, WPARAM, LPARAM)> onMessage = {})
        : onMessage_(std::move(onMessage)) {
        static const ATOM windowClass = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &MessageWindow::proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TrifolioE2EDriver";
            return RegisterClassExW(&wc);
        }();
        (void)windowClass;
        window_.reset(CreateWindowExW(0, L"TrifolioE2EDriver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), this));
    }
    HWND get() const { return window_.get(); }

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->onMessage_ && message >= WM_APP)
            self->onMessage_(message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void(UINT, WPARAM, LPARAM)> onMessage_;
    win32::Window window_;
};

// Sends a message to another process's window, with a bound.
inline LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

// trifolio.exe copied into a fresh temporary directory with its own options.ini.
class Trifolio {
  public:
    ~Trifolio() { stop(); }

    // Starts it and waits until it holds the hotkey `probe` (modifier flags, key).
    bool start(const std::vector<Assignment>& six, UINT probeModifiers, UINT probeKey) {
        const auto exe = findTrifolio();
        if (!exe)
            return false;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        directory_ = std::filesystem::path(temp) /
                     (L"trifolio-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetTickCount()));
        std::error_code error;
        std::filesystem::create_directories(directory_, error);
        std::filesystem::copy_file(*exe, directory_ / "trifolio.exe", error);
        if (error)
            return false;
        const std::string options = optionsFile(six);
        win32::FileHandle file(CreateFileW((directory_ / "options.ini").c_str(), GENERIC_WRITE, 0,
                                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), options.data(), static_cast<DWORD>(options.size()),
                                &written, nullptr))
            return false;
        file.reset();
        // An instance that is still ending would hold the hotkeys.
        if (!pumpUntil([] { return !FindWindowW(kWindowClass, nullptr); }, 10000ms))
            return false;
        if (!process_.start(directory_ / "trifolio.exe"))
            return false;
        // Ready when its window is there and the probe combination is taken.
        MessageWindow probe;
        return pumpUntil(
            [&] {
                if (!process_.running() || !window())
                    return false;
                if (RegisterHotKey(probe.get(), 1, probeModifiers, probeKey)) {
                    UnregisterHotKey(probe.get(), 1);
                    return false;
                }
                return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
            },
            20000ms);
    }

    void stop() {
        process_.stop(kWindowClass);
        if (!directory_.empty()) {
            std::error_code error;
            std::filesystem::remove_all(directory_, error);
            directory_.clear();
        }
    }

    bool running() const { return process_.running(); }

    // The settings window of this instance.
    HWND window() const {
        for (HWND main = FindWindowW(kWindowClass, nullptr); main;
             main = FindWindowExW(nullptr, main, kWindowClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(main, &owner);
            if (owner == process_.id())
                return main;
        }
        return nullptr;
    }

    // The text of a control of the settings window, found by its identifier.
    std::optional<std::wstring> controlText(int controlId) const {
        HWND main = window();
        if (!main)
            return std::nullopt;
        struct Search {
            int id;
            HWND found;
        } search{controlId, nullptr};
        EnumChildWindows(
            main,
            [](HWND child, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                if (GetDlgCtrlID(child) != s->id)
                    return TRUE;
                s->found = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            return std::nullopt;
        const auto length = sendTo(search.found, WM_GETTEXTLENGTH);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const auto got =
            sendTo(search.found, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(got));
        return text;
    }

  private:
    static constexpr const wchar_t* kWindowClass = L"TrifolioFConfig";
    std::filesystem::path directory_;
    Process process_;
};

// e2e_target.exe (beside the running executable or in tests/e2e of the build) and its
// two edit controls: 0 the source, 1 the destination.
class Target {
  public:
    ~Target() { stop(); }

    bool start(UINT delay = 0) {
        auto exe = exeDirectory() / "e2e_target.exe";
        if (!std::filesystem::exists(exe))
            if (auto trifolio = findTrifolio())
                exe = trifolio->parent_path() / "tests" / "e2e" / "e2e_target.exe";
        if (!process_.start(exe, L"--delay " + std::to_wstring(delay)))
            return false;
        return pumpUntil(
            [&] {
                window_ = findWindowOf(process_.id());
                return window_ && IsWindowVisible(window_);
            },
            20000ms);
    }
    void stop() {
        process_.stop(kTargetClass);
        window_ = nullptr;
    }

    HWND window() const { return window_; }
    HWND edit(int which) const {
        return GetDlgItem(window_, which ? kDestinationEditId : kSourceEditId);
    }
    bool setText(int which, const std::wstring& text) {
        return sendTo(edit(which), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    std::wstring text(int which) const {
        const auto length = sendTo(edit(which), WM_GETTEXTLENGTH);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const auto got =
            sendTo(edit(which), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(got));
        return text;
    }
    void select(int which, int from, int to) {
        sendTo(edit(which), EM_SETSEL, static_cast<WPARAM>(from), to);
    }
    // Brings the target to the front with the keyboard focus in one edit, and waits
    // until keys pressed now stay pressed: when a window of Wine gains the X focus or
    // the pointer, Wine sets the modifier keys to what the X server knows of them, and
    // the X server knows nothing of keys pressed through SendInput. A Shift pressed
    // as a probe that survives two trips through the target's message loop shows
    // that no such event is still on its way.
    bool focus(int which) {
        return pumpUntil(
            [&] {
                if (sendTo(window_, kFocusEdit, which ? 1 : 0) != 1)
                    return false;
                sendKeys({{VK_LSHIFT, false}});
                sendTo(window_, WM_NULL);
                sendTo(window_, WM_NULL);
                const bool held = keys_.isDown(VK_LSHIFT);
                sendKeys({{VK_LSHIFT, true}});
                return held;
            },
            10000ms);
    }
    bool setDelay(UINT milliseconds) { return sendTo(window_, kSetDelay, milliseconds) == 1; }
    bool setReporter(HWND reporter) {
        return sendTo(window_, kSetReporter, reinterpret_cast<WPARAM>(reporter)) == 1;
    }
    LRESULT completed(Operation operation) const { return sendTo(window_, kCompleted, operation); }
    LRESULT requested(Operation operation) const { return sendTo(window_, kRequested, operation); }

  private:
    static HWND findWindowOf(DWORD processId) {
        for (HWND window = FindWindowW(kTargetClass, nullptr); window;
             window = FindWindowExW(nullptr, window, kTargetClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId)
                return window;
        }
        return nullptr;
    }

    Process process_;
    HWND window_ = nullptr;
    win32::Win32KeyInput keys_;  // reads the keys afresh under Wine
};

// Wine's wordpad, a real rich-text editor, driven through its RichEdit control.
class Wordpad {
  public:
    ~Wordpad() { stop(); }
    bool start() {
        wchar_t programs[MAX_PATH] = {};
        GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH);
        const auto exe =
            std::filesystem::path(programs) / "Windows NT" / "Accessories" / "wordpad.exe";
        if (!std::filesystem::exists(exe))
            return false;
        return process_.start(exe) &&
               pumpUntil([&] { return (edit_ = findEdit(process_.id())); }, 20000ms);
    }
    void stop() {
        process_.stop();  // no WM_CLOSE: it would ask whether to save
    }
    // Pastes the clipboard over the whole document, then copies the whole document.
    void pasteAndCopyAll() {
        sendTo(edit_, EM_SETSEL, 0, -1);
        sendTo(edit_, WM_PASTE);
        sendTo(edit_, EM_SETSEL, 0, -1);
        sendTo(edit_, WM_COPY);
    }

  private:
    static HWND findEdit(DWORD processId) {
        struct Search {
            DWORD id;
            HWND edit;
        } search{processId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->id)
                    EnumChildWindows(
                        window,
                        [](HWND child, LPARAM p) -> BOOL {
                            wchar_t name[64] = {};
                            GetClassNameW(child, name, 64);
                            if (_wcsnicmp(name, L"RichEdit", 8) == 0)
                                reinterpret_cast<Search*>(p)->edit = child;
                            return TRUE;
                        },
                        param);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.edit;
    }

    Process process_;
    HWND edit_ = nullptr;
};

}  // namespace trifolio::e2e
