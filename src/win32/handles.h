// Owning wrappers for the Win32 handles the program holds: each closes its handle
// exactly once, when it goes out of scope. Move-only, like std::unique_ptr.
#pragma once

#include <windows.h>

#include <utility>

namespace trifolio::win32 {

// A handle of type Traits::Handle, closed with Traits::close unless it is Traits::invalid().
template <typename Traits>
class Unique {
  public:
    using Handle = typename Traits::Handle;

    Unique() noexcept = default;
    explicit Unique(Handle handle) noexcept : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }
    // Gives up ownership, for handing the handle to the system (SetClipboardData ...).
    Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::invalid())
            Traits::close(old);
    }

  private:
    Handle handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { CloseHandle(h); }
};
// Events, threads, processes, mutexes: invalid is NULL.
using KernelHandle = Unique<KernelHandleTraits>;

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { CloseHandle(h); }
};
// CreateFile and friends: invalid is INVALID_HANDLE_VALUE.
using FileHandle = Unique<FileHandleTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DestroyWindow(h); }
};
// A window the program created; destroyed on the thread that owns it.
using Window = Unique<WindowTraits>;

struct IconTraits {
    using Handle = HICON;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DestroyIcon(h); }
};
using IconHandle = Unique<IconTraits>;

struct MenuTraits {
    using Handle = HMENU;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DestroyMenu(h); }
};
using MenuHandle = Unique<MenuTraits>;

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { GlobalFree(h); }
};
// Global memory not (yet) handed to the clipboard.
using GlobalMemory = Unique<GlobalMemoryTraits>;

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DeleteObject(h); }
};
// Bitmaps, brushes, fonts, pens, regions.
template <typename T>
using GdiObject = Unique<GdiObjectTraits<T>>;
using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;

struct EnhMetafileTraits {
    using Handle = HENHMETAFILE;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DeleteEnhMetaFile(h); }
};
using EnhMetafile = Unique<EnhMetafileTraits>;

struct MetafileTraits {
    using Handle = HMETAFILE;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DeleteMetaFile(h); }
};
using Metafile = Unique<MetafileTraits>;

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { DeleteDC(h); }
};
// A device context from CreateCompatibleDC / CreateDC.
using MemoryDc = Unique<MemoryDcTraits>;

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { RegCloseKey(h); }
};
using RegKey = Unique<RegKeyTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
  public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// A window's painting from BeginPaint to EndPaint.
class PaintScope {
  public:
    explicit PaintScope(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const noexcept { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Runs a window procedure's work so that nothing thrown unwinds through the system's
// frames: what fails (memory for content of hundreds of megabytes, say) gets the
// message's default answer, and the program goes on.
template <typename Work>
LRESULT guarded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// GlobalLock for the lifetime of the guard. data() is null when the lock failed.
class GlobalLockGuard {
  public:
    explicit GlobalLockGuard(HGLOBAL memory) noexcept
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    ~GlobalLockGuard() {
        if (data_)
            GlobalUnlock(memory_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* data() const noexcept { return data_; }
    // Bytes the block holds (can be more than were asked for).
    SIZE_T size() const noexcept { return data_ ? GlobalSize(memory_) : 0; }
    explicit operator bool() const noexcept { return data_ != nullptr; }

  private:
    HGLOBAL memory_;
    void* data_;
};

// The clipboard, opened by OpenClipboard and closed when the guard ends. Check it:
// opening fails while another program holds the clipboard. Movable, so that a
// function that opens it (after retries) can hand it to its caller.
class OpenedClipboard {
  public:
    OpenedClipboard() noexcept = default;  // not open
    explicit OpenedClipboard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
    OpenedClipboard(OpenedClipboard&& other) noexcept : open_(std::exchange(other.open_, false)) {}
    OpenedClipboard& operator=(OpenedClipboard&&) = delete;
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_)
            CloseClipboard();
    }
    explicit operator bool() const noexcept { return open_; }

  private:
    bool open_ = false;
};

}  // namespace trifolio::win32
