#include "platform/win32/key_input.h"

#include <windows.h>

#include <vector>

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

void Win32KeyInput::send(std::span<const platform::KeyEvent> events) {
    if (events.empty())
        return;
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
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

// Modifiers are asked for together: one read answers the whole check of held keys.
constexpr std::uint8_t kModifiers[] = {VK_SHIFT,  VK_CONTROL,  VK_MENU,     VK_LSHIFT,
                                       VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU,
                                       VK_RMENU,  VK_LWIN,     VK_RWIN};

struct KeyRead {
    std::array<bool, 256>* down;
    std::array<bool, 256>* known;
    std::uint8_t key;
};

DWORD WINAPI readKeys(void* param) {
    auto* read = static_cast<KeyRead*>(param);
    auto ask = [&](std::uint8_t key) {
        (*read->down)[key] = (GetAsyncKeyState(key) & 0x8000) != 0;
        (*read->known)[key] = true;
    };
    for (std::uint8_t key : kModifiers)
        ask(key);
    ask(read->key);
    return 0;
}

bool runningOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// How long one read of the keys answers further questions: the held-key check
// asks for several keys one after another, within microseconds.
constexpr auto kReadLife = std::chrono::milliseconds(5);

}  // namespace

Win32KeyInput::Win32KeyInput() : wine_(runningOnWine()) {}

bool Win32KeyInput::isDown(std::uint8_t virtualKey) {
    if (!wine_)
        return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
    // Wine answers GetAsyncKeyState from a per-thread copy of the key states for 50 ms
    // after each read, so a key that another program pressed since reads as up (the
    // user's Alt would leak into the synthesised keys). A thread that has never read
    // the keys has no such copy and asks the server.
    const auto now = std::chrono::steady_clock::now();
    if (now - readAt_ > kReadLife || !known_[virtualKey]) {
        known_.fill(false);
        KeyRead read{&down_, &known_, virtualKey};
        KernelHandle thread(CreateThread(nullptr, 0, readKeys, &read, 0, nullptr));
        if (!thread)
            return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
        WaitForSingleObject(thread.get(), INFINITE);
        readAt_ = now;
    }
    return down_[virtualKey];
}

std::uint32_t Win32KeyInput::foregroundProcess() {
    DWORD process = 0;
    if (HWND foreground = GetForegroundWindow())
        GetWindowThreadProcessId(foreground, &process);
    return process;
}

}  // namespace trifolio::win32
