#include "platform/win32/key_input.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/foreground.h"
#include "platform/win32/handles.h"

namespace trifolio::win32 {

bool isExtendedKey(std::uint8_t virtualKey) {
    switch (virtualKey) {
        case VK_RCONTROL:
        case VK_RMENU:
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_NUMLOCK:
        case VK_CANCEL:
        case VK_SNAPSHOT:
        case VK_DIVIDE:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
            return true;
        default:
            return false;
    }
}

namespace {

// Either Shift, Ctrl or Alt as the key on its side.
std::uint8_t sided(DWORD virtualKey, bool extended) {
    switch (virtualKey) {
        case VK_SHIFT:
            return VK_LSHIFT;
        case VK_CONTROL:
            return extended ? VK_RCONTROL : VK_LCONTROL;
        case VK_MENU:
            return extended ? VK_RMENU : VK_LMENU;
        default:
            return static_cast<std::uint8_t>(virtualKey);
    }
}

}  // namespace

// The person's keys and clicks, from low-level hooks on a thread of their own that does
// nothing else, so that it always answers within the system's hook timeout. The program's
// own events (kOwnInputTag) do not count; everything else does.
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
    ~InputWatch() {
        if (threadId_)
            PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        if (thread_.joinable())
            thread_.join();
        instance_ = nullptr;
    }
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    bool active() const { return active_; }

    bool held(std::uint8_t virtualKey) const {
        const std::uint8_t key = sided(virtualKey, false);
        if (!active_)
            return (GetAsyncKeyState(key) & 0x8000) != 0;
        // A key whose release the hooks missed (it happened on another desktop, the
        // secure one of Ctrl+Alt+Del say) would count as held for ever: it counts only
        // while the system has it down too, or the program itself released it.
        return keys_[key].down &&
               (keys_[key].releasedByProgram || (GetAsyncKeyState(key) & 0x8000) != 0);
    }
    std::uint64_t pressesOf(std::uint8_t virtualKey) const {
        return keys_[sided(virtualKey, false)].presses;
    }
    std::uint64_t presses() const { return presses_; }
    // While a batch of the program's events is on its way.
    std::atomic<int> sending_{0};

  private:
    struct Key {
        std::atomic<bool> down{false};
        std::atomic<bool> releasedByProgram{false};
        std::atomic<bool> downForProgram{false};
        std::atomic<std::uint64_t> presses{0};
    };

    InputWatch() : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        instance_ = this;
        thread_ = std::thread([this] { run(); });
        // A watch that cannot start leaves the program as it was without one.
        if (ready_)
            WaitForSingleObject(ready_.get(), 5000);
    }

    void run() {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
        HINSTANCE module = GetModuleHandleW(nullptr);
        HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, &InputWatch::keyboard, module, 0);
        HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, &InputWatch::mouse, module, 0);
        active_ = keyboard && mouse;
        threadId_ = GetCurrentThreadId();
        if (ready_)
            SetEvent(ready_.get());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        }
        active_ = false;
        if (keyboard)
            UnhookWindowsHookEx(keyboard);
        if (mouse)
            UnhookWindowsHookEx(mouse);
    }

    static LRESULT CALLBACK keyboard(int code, WPARAM wParam, LPARAM lParam) {
        InputWatch* self = instance_;
        if (code == HC_ACTION && self) {
            const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            const bool up = (event.flags & LLKHF_UP) != 0;
            const bool injected = (event.flags & LLKHF_INJECTED) != 0;
            const bool whileHeld = injected && event.dwExtraInfo == kOwnWhileHeldTag;
            const bool own = whileHeld || (injected && event.dwExtraInfo == kOwnInputTag);
            const std::uint8_t virtualKey =
                sided(event.vkCode, (event.flags & LLKHF_EXTENDED) != 0);
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
    KernelHandle ready_;
    std::thread thread_;
};

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
        // Some applications look only at the scan code; 0 would be no key at all.
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(event.virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = (event.release ? KEYEVENTF_KEYUP : 0u) |
                           (isExtendedKey(event.virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0u);
        input.ki.dwExtraInfo = event.whileHeld ? kOwnWhileHeldTag : kOwnInputTag;
    }
    ++watch_->sending_;
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    --watch_->sending_;
    return sent;
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

std::uint32_t Win32KeyInput::foregroundProcess() {
    HWND foreground = GetForegroundWindow();
    return foreground ? processBehind(foreground) : 0;
}

platform::KeyInput::Window Win32KeyInput::foregroundWindow() {
    return win32::foregroundWindow();
}

}  // namespace trifolio::win32
