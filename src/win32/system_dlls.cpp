#include "win32/system_dlls.h"

namespace trifolio::win32 {

void loadLibrariesFromSystemOnly() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

FARPROC systemFunction(const wchar_t* library, const char* name) {
    // A library stays loaded once loaded; loading it again only counts up.
    HMODULE module = GetModuleHandleW(library);
    if (!module)
        module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

namespace {

template <typename F>
void resolve(F& function, const wchar_t* library, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(systemFunction(library, name)));
}

}  // namespace

const CommonControls& commonControls() {
    static const CommonControls functions = [] {
        constexpr const wchar_t* lib = L"comctl32.dll";
        CommonControls f{};
        resolve(f.initCommonControlsEx, lib, "InitCommonControlsEx");
        resolve(f.setWindowSubclass, lib, "SetWindowSubclass");
        resolve(f.removeWindowSubclass, lib, "RemoveWindowSubclass");
        resolve(f.defSubclassProc, lib, "DefSubclassProc");
        resolve(f.loadIconMetric, lib, "LoadIconMetric");
        resolve(f.loadIconWithScaleDown, lib, "LoadIconWithScaleDown");
        return f;
    }();
    return functions;
}

const Themes& themes() {
    static const Themes functions = [] {
        constexpr const wchar_t* lib = L"uxtheme.dll";
        Themes f{};
        resolve(f.isAppThemed, lib, "IsAppThemed");
        resolve(f.isThemeActive, lib, "IsThemeActive");
        resolve(f.openThemeData, lib, "OpenThemeData");
        resolve(f.drawThemeBackground, lib, "DrawThemeBackground");
        resolve(f.closeThemeData, lib, "CloseThemeData");
        return f;
    }();
    return functions;
}

const Accessibility& accessibility() {
    static const Accessibility functions = [] {
        constexpr const wchar_t* lib = L"oleacc.dll";
        Accessibility f{};
        resolve(f.createStdAccessibleObject, lib, "CreateStdAccessibleObject");
        resolve(f.lresultFromObject, lib, "LresultFromObject");
        return f;
    }();
    return functions;
}

bool initCommonControls() {
    const auto init = commonControls().initCommonControlsEx;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    return init && init(&controls);
}

BOOL setWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    const auto set = commonControls().setWindowSubclass;
    return set ? set(window, proc, id, data) : FALSE;
}

BOOL removeWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) {
    const auto remove = commonControls().removeWindowSubclass;
    return remove ? remove(window, proc, id) : FALSE;
}

LRESULT defSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only a subclassed window calls it, and subclassing needs comctl32.
    return commonControls().defSubclassProc(window, message, wParam, lParam);
}

HTHEME openTheme(HWND window, const wchar_t* classList) {
    const Themes& t = themes();
    if (!t.isAppThemed || !t.isThemeActive || !t.openThemeData || !t.drawThemeBackground ||
        !t.closeThemeData || !t.isAppThemed() || !t.isThemeActive())
        return nullptr;
    return t.openThemeData(window, classList);
}

void drawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& area) {
    themes().drawThemeBackground(theme, dc, part, state, &area, nullptr);
}

void closeTheme(HTHEME theme) {
    themes().closeThemeData(theme);
}

}  // namespace trifolio::win32
