#include "program/app_win32.h"

#include <objbase.h>

#include "core/hotkeys/engine.h"
#include "core/settings/settings.h"
#include "core/stores/store.h"
#include "core/window/app.h"
#include "core/window/form.h"
#include "view/settings_window.h"
#include "view/tray.h"
#include "win32/clipboard.h"
#include "win32/dialogs.h"
#include "win32/event_loop.h"
#include "win32/files.h"
#include "win32/handles.h"
#include "win32/hotkey_api.h"
#include "win32/key_input.h"
#include "win32/keyboard_layouts.h"
#include "win32/process.h"
#include "win32/registry.h"

namespace trifolio::win32 {

namespace {

// One program per user session: its name, and the longest wait for a program that holds
// it to show its window or end.
constexpr wchar_t kInstanceMutex[] = L"Local\\Trifolio.Vennhaus";
constexpr DWORD kInstanceWait = 10000;

// The session's one running program, for as long as this one runs.
class OneInstance {
  public:
    // Becomes the session's running program, or has the running one show its window on
    // the Status page (and `running()` is false). A program that is just ending is
    // waited for; one that neither answers nor ends in time is left alone.
    OneInstance() : mutex_(CreateMutexW(nullptr, FALSE, kInstanceMutex)) {
        if (!mutex_) {
            owned_ = true;  // cannot tell: run
            return;
        }
        const UINT showStatus = RegisterWindowMessageW(kShowStatusMessage);
        const ULONGLONG deadline = GetTickCount64() + kInstanceWait;
        for (DWORD wait = 0;; wait = 50) {
            const DWORD got = WaitForSingleObject(mutex_.get(), wait);
            if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) {
                owned_ = true;
                return;
            }
            if (HWND running = FindWindowW(kSettingsWindowClass, nullptr)) {
                DWORD process = 0;
                GetWindowThreadProcessId(running, &process);
                AllowSetForegroundWindow(process);
                DWORD_PTR shown = FALSE;
                if (SendMessageTimeoutW(running, showStatus, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                        &shown) &&
                    shown)
                    return;
            }
            if (got != WAIT_TIMEOUT || GetTickCount64() >= deadline)
                return;
        }
    }
    ~OneInstance() {
        if (owned_ && mutex_)
            ReleaseMutex(mutex_.get());
    }
    OneInstance(const OneInstance&) = delete;
    OneInstance& operator=(const OneInstance&) = delete;
    bool running() const { return owned_; }

  private:
    KernelHandle mutex_;
    bool owned_ = false;
};

// COM on the user-interface thread, once for the program's life: the shell, which opens
// the contact form's address, and the accessibility objects use it.
class ComScope {
  public:
    ComScope()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComScope() {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    bool initialised_;
};

}  // namespace

int runTrifolio(HINSTANCE instance) {
    const OneInstance one;
    if (!one.running())
        return 0;
    const ComScope com;

    Win32Process process;
    const std::string executable = process.executablePath();

    Form form;
    StoreSet stores;
    SettingsWindow window(instance, form, stores);
    if (!window.create())
        return 1;

    Win32Files files;
    Win32Registry registry;
    Win32Dialogs dialogs;
    dialogs.setOwner(window.hwnd());
    Win32HotkeyApi hotkeyApi(window.hwnd());
    Win32Clipboard clipboard;
    Win32KeyInput keys;
    Win32EventLoop loop;
    loop.setDialog(window.hwnd());
    HotkeyEngine engine(stores, hotkeyApi, clipboard, keys, loop);
    Win32KeyboardLayouts layouts;
    Settings settings(form, dialogs, files, registry, engine, programDirOf(executable), executable);
    settings.layouts = &layouts;
    Win32Tray tray(window.hwnd(), instance);
    App app(form, stores, settings, engine, dialogs, files, tray, window, process.commandLine(),
            TRIFOLIO_CONTACT_ENDPOINT);
    window.attach(app, engine);

    app.Form_Load();
    window.sync();
    app.reportStartupRefusals();
    window.sync();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.preTranslate(msg))
            continue;
        if (window.hwnd() && IsDialogMessageW(window.hwnd(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace trifolio::win32
