// A C++ object behind a window: the object goes to CreateWindowExW as its creation
// parameter, the window keeps it in GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY, and
// each message in between goes to one of the object's member functions, guarded so that
// nothing thrown unwinds through the system's frames.
#pragma once

#include <windows.h>

#include "win32/handles.h"

namespace trifolio::win32 {

namespace window_object {

// The object of `window`, set at WM_NCCREATE and dropped at WM_NCDESTROY: it still gets
// that last message, but nothing after it.
template <typename T>
T* attached(HWND window, UINT message, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return object;
}

// Registers `windowClass` unless a class of its name exists; false when neither holds.
inline bool registered(const WNDCLASSEXW& windowClass) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    return GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing) ||
           RegisterClassExW(&windowClass) ||
           GetLastError() == ERROR_CLASS_ALREADY_EXISTS;  // by another thread meanwhile
}

}  // namespace window_object

// A window procedure for windows that an object of type T creates with itself as the
// creation parameter but does not own (controls of its own classes): their messages go
// to (object->*Handler)(window, message, wParam, lParam).
template <typename T, LRESULT (T::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK objectProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    T* object = window_object::attached<T>(window, message, lParam);
    if (!object)
        return DefWindowProcW(window, message, wParam, lParam);
    return guarded(window, message, wParam, lParam,
                   [&] { return (object->*Handler)(window, message, wParam, lParam); });
}

// Base of a class T whose object owns one window: created by createWindow, destroyed
// with the object. T declares `LRESULT handle(HWND, UINT, WPARAM, LPARAM)` (it may be
// private, with this class a friend), which gets every message from WM_NCCREATE to
// WM_NCDESTROY; what it leaves to the system it passes to DefWindowProcW itself.
template <typename T>
class WindowObject {
  public:
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // Null before createWindow, after a failed one, and once the window is gone.
    HWND hwnd() const noexcept { return window_.get(); }

  protected:
    WindowObject() noexcept = default;
    // The messages of a window destroyed with the object no longer reach it: T is gone
    // by now. An object that must answer them (WM_RENDERALLFORMATS) calls destroyWindow
    // in its own destructor.
    ~WindowObject() { abandonWindow(); }

    // Registers `windowClass` (its procedure and size filled in here) unless it exists,
    // and creates the window, by default a hidden message-only one. False when that failed.
    bool createWindow(WNDCLASSEXW windowClass, HWND parent = HWND_MESSAGE, DWORD style = 0,
                      DWORD exStyle = 0, const wchar_t* caption = L"", int width = 0,
                      int height = 0, int x = 0, int y = 0) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &WindowObject::procedure;
        if (!windowClass.hInstance)
            windowClass.hInstance = GetModuleHandleW(nullptr);
        if (!window_object::registered(windowClass))
            return false;
        HWND window =
            CreateWindowExW(exStyle, windowClass.lpszClassName, caption, style, x, y, width, height,
                            parent, nullptr, windowClass.hInstance, static_cast<T*>(this));
        if (window && window != window_.get())
            window_.reset(window);
        return window != nullptr;
    }

    // A hidden message-only window of the class `className`, registered here.
    bool createWindow(const wchar_t* className) {
        WNDCLASSEXW windowClass{};
        windowClass.lpszClassName = className;
        return createWindow(windowClass);
    }

    // Destroys the window while the object still answers its messages.
    void destroyWindow() noexcept { window_.reset(); }
    // Destroys the window without the object answering its messages any more.
    void abandonWindow() noexcept {
        if (window_)
            SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
        window_.reset();
    }

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept {
        T* object = window_object::attached<T>(window, message, lParam);
        if (!object)
            return DefWindowProcW(window, message, wParam, lParam);
        WindowObject& base = *object;
        // Owned from its first message, so that hwnd() is valid while it is being created.
        if (message == WM_NCCREATE && !base.window_)
            base.window_.reset(window);
        if (message == WM_NCDESTROY && base.window_.get() == window)
            base.window_.release();  // gone already
        return guarded(window, message, wParam, lParam,
                       [&] { return object->handle(window, message, wParam, lParam); });
    }

    Window window_;
};

}  // namespace trifolio::win32
