#include "platform/win32/app_win32.h"

#include <commctrl.h>

#include "hotkeys/engine.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/dialogs.h"
#include "platform/win32/event_loop.h"
#include "platform/win32/files.h"
#include "platform/win32/hotkey_api.h"
#include "platform/win32/key_input.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings_window.h"
#include "platform/win32/tray.h"
#include "settings/settings.h"
#include "stores/store.h"
#include "window/app.h"
#include "window/form.h"

namespace trifolio::win32 {

int runTrifolio(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

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
    HotkeyEngine engine(form, stores, hotkeyApi, clipboard, keys, loop);
    Settings settings(form, dialogs, files, registry, engine, programDirOf(executable), executable);
    Win32Tray tray(window.hwnd(), instance);
    App app(form, stores, settings, engine, dialogs, files, tray, window, process.commandLine(),
            TRIFOLIO_CONTACT_ENDPOINT);
    window.attach(app, engine);

    app.Form_Load();
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
