#include "win32/key_input.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "win32/foreground.h"
#include "win32/handles.h"
#include "win32/system_dlls.h"

namespace trifolio::win32 {

namespace {

struct HookTraits {
    using Handle = HHOOK;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { UnhookWindowsHookEx(h); }
};
using Hook = Unique<HookTraits>;

// Asks the watch's thread to install its hooks anew, or (tests) to lose its keyboard hook.
constexpr UINT kRewatchMessage = WM_APP + 1;
constexpr UINT kLoseHookMessage = WM_APP + 2;
constexpr DWORD kRequestWait = 1000;
constexpr wchar_t kWatchWindowClass[] = L"TrifolioInputWatch";

// Registers the window for the session's changes, or ends that (wtsapi32, loaded from
// the system directory when it is there).
void sessionNotifications(HWND window, bool on) {
    if (!window)
        return;
    const auto function = reinterpret_cast<void*>(
        systemFunction(L"wtsapi32.dll",
                       on ? "WTSRegisterSessionNotification" : "WTSUnRegisterSessionNotification"));
    if (function && on)
        reinterpret_cast<BOOL(WINAPI*)(HWND, DWORD)>(function)(window, 0);  // this session
    else if (function)
        reinterpret_cast<BOOL(WINAPI*)(HWND)>(function)(window);
}

}  // namespace

// The person's keys and clicks, from low-level hooks on a thread of their own that does
// nothing else, so that it always answers within the system's hook timeout. The program's
// own events (platform::OwnInput) do not count; everything else does. The system may still
// remove the hooks without notice; the program's own events, which must come through
// them, tell, and the hooks are installed anew (so too after resume and unlock, which a
// hidden window of the thread hears of).
class InputWatch {
  public:
    static std::shared_ptr<InputWatch> shared() {
        static std::mutex mutex;
        static std::weak_ptr<InputWatch> current;
        const std::lock_guard lock(mutex);
        auto watch = current.lock();
        if (!watch) {
            watch = std::shared_ptr<InputWatch>(new InputWatch);
            current = watch;
        }
        return watch;
    }
    // The thread ends once `stop_` is set, whenever it started: no message to a thread
    // whose queue may not exist yet.
    ~InputWatch() {
        if (stop_)
            SetEvent(stop_.get());
        if (thread_.joinable())
            thread_.join();
        instance_ = nullptr;
    }
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    bool active() const { return active_; }

    bool held(std::uint8_t virtualKey) const {
        const std::uint8_t key = vk::sided(virtualKey);
        if (!active_)
            return (GetAsyncKeyState(key) & 0x8000) != 0;
        // A key whose release the hooks missed (it happened on another desktop, the
        // secure one of Ctrl+Alt+Del say) would count as held for ever: it counts only
        // while the system has it down too, or the program itself released it.
        return keys_[key].down &&
               (keys_[key].releasedByProgram || (GetAsyncKeyState(key) & 0x8000) != 0);
    }
    std::uint64_t pressesOf(std::uint8_t virtualKey) const {
        return keys_[vk::sided(virtualKey)].presses;
    }
    std::uint64_t presses() const { return presses_; }
    // While a batch of the program's events is on its way.
    std::atomic<int> sending_{0};
    // The program's own events put into the input stream, and those the hook saw.
    std::atomic<std::uint64_t> sent_{0}, seen_{0};
    // When the keyboard hook last saw an event, any event (GetTickCount64).
    std::atomic<ULONGLONG> lastSeen_{0};

    bool rewatch() { return request(kRewatchMessage) && active_; }
    bool loseKeyboardHook() { return request(kLoseHookMessage); }

  private:
    struct Key {
        std::atomic<bool> down{false};
        std::atomic<bool> releasedByProgram{false};
        std::atomic<bool> downForProgram{false};
        std::atomic<std::uint64_t> presses{0};
    };

    // Has the watch's thread handle `message`, and waits (bounded) until it did.
    bool request(UINT message) {
        const DWORD thread = threadId_;
        return thread && done_ && ResetEvent(done_.get()) &&
               PostThreadMessageW(thread, message, 0, 0) &&
               WaitForSingleObject(done_.get(), kRequestWait) == WAIT_OBJECT_0;
    }

    InputWatch()
        : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        instance_ = this;
        if (!stop_)
            return;  // it could not be ended: no watch, as when the hooks are refused
        thread_ = std::thread([this] { run(); });
        // A watch that cannot start leaves the program as it was without one.
        if (ready_)
            WaitForSingleObject(ready_.get(), 5000);
    }

    void run() {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
        threadId_ = GetCurrentThreadId();
        install();
        const Window window(createWindow());
        if (ready_)
            SetEvent(ready_.get());
        // The hooks are called through the thread's messages.
        HANDLE stop = stop_.get();
        while (MsgWaitForMultipleObjectsEx(1, &stop, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
               WAIT_OBJECT_0 + 1) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!msg.hwnd && msg.message == kRewatchMessage) {
                    install();
                    SetEvent(done_.get());
                } else if (!msg.hwnd && msg.message == kLoseHookMessage) {
                    // As the system does it: the handle stays, the hook is gone, and the
                    // last event it saw is a while ago.
                    UnhookWindowsHookEx(keyboard_.get());
                    lastSeen_ = 0;
                    SetEvent(done_.get());
                } else {
                    DispatchMessageW(&msg);
                }
            }
        }
        active_ = false;
        keyboard_.reset();
        mouse_.reset();
        sessionNotifications(window.get(), false);
    }

    // Installs the hooks anew (a hook the system removed is gone already). What the
    // hooks missed meanwhile is taken from the system: a key down now counts as a new
    // press, since nobody can say whether it was let go of in between.
    void install() {
        keyboard_.reset();
        mouse_.reset();
        HINSTANCE module = GetModuleHandleW(nullptr);
        keyboard_.reset(SetWindowsHookExW(WH_KEYBOARD_LL, &InputWatch::keyboard, module, 0));
        mouse_.reset(SetWindowsHookExW(WH_MOUSE_LL, &InputWatch::mouse, module, 0));
        for (int code = 1; code < 256; ++code) {
            Key& key = keys_[static_cast<std::size_t>(code)];
            const bool down = (GetAsyncKeyState(code) & 0x8000) != 0;
            key.releasedByProgram = false;
            key.downForProgram = false;
            key.down = down;
            if (down && code > VK_XBUTTON2)
                ++key.presses, ++presses_;
        }
        seen_ = sent_.load();
        active_ = keyboard_ && mouse_;
    }

    // A hidden top-level window, for the system's word that it resumed or that the
    // session was unlocked or connected: the hooks may be gone or have missed keys.
    static HWND createWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &InputWatch::windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWatchWindowClass;
        RegisterClassW(&windowClass);
        HWND window = CreateWindowExW(0, kWatchWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, windowClass.hInstance, nullptr);
        sessionNotifications(window, true);
        return window;
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        const bool resumed = message == WM_POWERBROADCAST &&
                             (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND);
        const bool session = message == WM_WTSSESSION_CHANGE &&
                             (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
                              wParam == WTS_REMOTE_CONNECT || wParam == WTS_SESSION_LOGON);
        if (InputWatch* self = instance_; self && (resumed || session))
            self->install();
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK keyboard(int code, WPARAM wParam, LPARAM lParam) {
        InputWatch* self = instance_;
        if (code == HC_ACTION && self) {
            const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            const bool up = (event.flags & LLKHF_UP) != 0;
            const bool injected = (event.flags & LLKHF_INJECTED) != 0;
            const auto input = platform::ownInputOf(injected, event.dwExtraInfo);
            const bool whileHeld = input == platform::OwnInput::WhileHeld;
            const bool probe = input == platform::OwnInput::Probe;
            const bool own = input != platform::OwnInput::None;
            self->lastSeen_ = GetTickCount64();
            if (own)
                ++self->seen_;
            if (probe)
                return 1;  // for the watch alone
            const std::uint8_t virtualKey = vk::sided(static_cast<std::uint8_t>(event.vkCode),
                                                      (event.flags & LLKHF_EXTENDED) != 0);
            Key& key = self->keys_[virtualKey];
            // The person let go of the key before the program's press of it came through:
            // the press is dropped, and the key stays up.
            if (whileHeld && !up && !key.down)
                return 1;
            if (own) {
                key.releasedByProgram = up;
                key.downForProgram = !up && !whileHeld;
            } else {
                // The person let go of a key the program pressed for the keystroke it is
                // sending: under Wine the person's input can come between the events of
                // one batch. The system sees the program's own release instead, after
                // the keystroke, so that its Ctrl+V never arrives as a plain "v".
                const bool swallow = up && key.downForProgram && self->sending_ > 0;
                // A press, not a repeat: the key was up, also when only the system knew
                // it (a release the hooks missed); the system has it up also when the
                // program released it, which makes no press of the next repeat.
                if (!up && (!key.down || (!key.releasedByProgram &&
                                          (GetAsyncKeyState(virtualKey) & 0x8000) == 0))) {
                    ++key.presses;
                    ++self->presses_;
                }
                key.releasedByProgram = false;
                key.down = !up;
                if (swallow)
                    return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK mouse(int code, WPARAM wParam, LPARAM lParam) {
        InputWatch* self = instance_;
        if (code == HC_ACTION && self) {
            switch (wParam) {
                case WM_LBUTTONDOWN:
                case WM_RBUTTONDOWN:
                case WM_MBUTTONDOWN:
                case WM_XBUTTONDOWN:
                    ++self->presses_;
                    break;
                default:
                    break;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline std::atomic<InputWatch*> instance_{nullptr};
    std::array<Key, 256> keys_;
    std::atomic<std::uint64_t> presses_{0};
    std::atomic<bool> active_{false};
    std::atomic<DWORD> threadId_{0};
    KernelHandle ready_, stop_, done_;
    Hook keyboard_, mouse_;  // used on the watch's thread only
    std::thread thread_;
};

namespace {

std::size_t sendInputs(InputWatch& watch, std::vector<INPUT>& inputs) {
    ++watch.sending_;
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    watch.sent_ += sent;
    --watch.sending_;
    return sent;
}

}  // namespace

Win32KeyInput::Win32KeyInput() : watch_(InputWatch::shared()) {}

Win32KeyInput::~Win32KeyInput() = default;

std::size_t Win32KeyInput::send(std::span<const platform::KeyEvent> events) {
    if (events.empty())
        return 0;
    std::vector<INPUT> inputs(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const auto& event = events[i];
        INPUT& input = inputs[i];
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = event.virtualKey;
        input.ki.wScan = event.scanCode;
        input.ki.dwFlags =
            (event.release ? KEYEVENTF_KEYUP : 0u) | (event.extended ? KEYEVENTF_EXTENDEDKEY : 0u);
        input.ki.dwExtraInfo = platform::tagOf(event.whileHeld ? platform::OwnInput::WhileHeld
                                                               : platform::OwnInput::Keystroke);
    }
    return sendInputs(*watch_, inputs);
}

// Some applications look only at the scan code; 0 would be no key at all.
std::uint16_t Win32KeyInput::scanCode(std::uint8_t virtualKey) {
    return static_cast<std::uint16_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
}

// A tap of the unassigned mask key that the watch swallows: should the watch be gone,
// the application gets a key that means nothing. A hook that saw an event a moment ago
// (the hotkey's own keys, as a rule) is alive: the probe, which costs a round trip
// through the hook, is then not sent.
void Win32KeyInput::probeWatch() {
    constexpr ULONGLONG kRecentlyAlive = 200;  // milliseconds
    if (const ULONGLONG last = watch_->lastSeen_; last && GetTickCount64() - last < kRecentlyAlive)
        return;
    std::vector<INPUT> inputs(2);
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk::kMask;
        input.ki.dwExtraInfo = platform::tagOf(platform::OwnInput::Probe);
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    sendInputs(*watch_, inputs);
}

bool Win32KeyInput::watchSawAll() {
    return watch_->seen_ >= watch_->sent_;
}

bool Win32KeyInput::rewatch() {
    return watch_->rewatch();
}

bool Win32KeyInput::loseKeyboardHook() {
    return watch_->loseKeyboardHook();
}

bool Win32KeyInput::held(std::uint8_t virtualKey) {
    return watch_->held(virtualKey);
}

std::optional<std::uint64_t> Win32KeyInput::pressesOf(std::uint8_t virtualKey) {
    if (!watch_->active())
        return std::nullopt;
    return watch_->pressesOf(virtualKey);
}

std::optional<std::uint64_t> Win32KeyInput::presses() {
    if (!watch_->active())
        return std::nullopt;
    return watch_->presses();
}

platform::KeyInput::Window Win32KeyInput::foregroundWindow() {
    return win32::foregroundWindow();
}

}  // namespace trifolio::win32
