// Libraries beyond Windows' known DLLs (comctl32, uxtheme, oleacc), loaded when first
// needed and from the system folder only.
//
// Windows looks for a DLL that is not one of its known DLLs in the program's own folder
// first, so one of these in the import table would run a file of that name lying beside
// trifolio.exe (in Downloads, say). The executable therefore imports known DLLs only, and
// `loadLibrariesFromSystemOnly` limits every later load, including the libraries those
// load themselves (comctl32 loads uxtheme), to the system folder. comctl32 version 6
// still comes through the manifest's side-by-side assembly: the name is redirected
// before the folders are searched.
#pragma once

#include <windows.h>
// clang-format off
#include <commctrl.h>
#include <oleacc.h>
#include <uxtheme.h>
// clang-format on

namespace trifolio::win32 {

// The first statement of the program: no library from the program's folder or the
// current directory from here on. Nothing before it loads a library (no static
// initialiser of the program does).
void loadLibrariesFromSystemOnly();

// An exported function of a library loaded from the system folder; null when the
// library or the function is missing.
FARPROC systemFunction(const wchar_t* library, const char* name);

// The functions the program uses of each library, typed. Members are null when missing;
// the wrappers below check.
struct CommonControls {
    decltype(&::InitCommonControlsEx) initCommonControlsEx;
    decltype(&::SetWindowSubclass) setWindowSubclass;
    decltype(&::RemoveWindowSubclass) removeWindowSubclass;
    decltype(&::DefSubclassProc) defSubclassProc;
    decltype(&::LoadIconMetric) loadIconMetric;
    decltype(&::LoadIconWithScaleDown) loadIconWithScaleDown;
};
const CommonControls& commonControls();

struct Themes {
    decltype(&::IsAppThemed) isAppThemed;
    decltype(&::IsThemeActive) isThemeActive;
    decltype(&::OpenThemeData) openThemeData;
    decltype(&::DrawThemeBackground) drawThemeBackground;
    decltype(&::CloseThemeData) closeThemeData;
};
const Themes& themes();

struct Accessibility {
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
    decltype(&::LresultFromObject) lresultFromObject;
};
const Accessibility& accessibility();

// The common controls the window uses (tab strip, status bar, tooltips).
bool initCommonControls();
BOOL setWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL removeWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id);
LRESULT defSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Themed drawing: the theme of `window`'s class list, null when themes are off.
HTHEME openTheme(HWND window, const wchar_t* classList);
void drawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT& area);
void closeTheme(HTHEME theme);

}  // namespace trifolio::win32
