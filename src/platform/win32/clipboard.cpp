#include "platform/win32/clipboard.h"

#include <algorithm>

#include "platform/win32/clipboard_snapshot.h"
#include "platform/win32/strings.h"

namespace trifolio::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TrifolioClipboardOwner";

bool contains(const std::vector<UINT>& list, UINT value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::optional<std::string> readText() {
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    GlobalLockGuard lock(handle);
    if (!lock)
        return std::nullopt;
    const auto* chars = static_cast<const wchar_t*>(lock.data());
    const std::size_t capacity = lock.size() / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < capacity && chars[length] != L'\0')
        ++length;
    return narrow(std::wstring_view(chars, length));
}

// The one picture a store keeps: a bitmap when there is one, else a metafile. `offered`
// lists the owner's formats before those the system makes from them. A DIB that fails
// its check is no bitmap, and CF_BITMAP, which the system would make from it, is left.
std::shared_ptr<const Win32Picture> readPicture(const std::vector<UINT>& offered, bool& lyingDib) {
    for (UINT dib : offered)
        if (dib == CF_DIB || dib == CF_DIBV5) {
            if (auto picture = Win32Picture::fromPackedDib(memoryBytes(GetClipboardData(dib))))
                return picture;
            lyingDib = true;
            break;
        }
    if (!lyingDib && IsClipboardFormatAvailable(CF_BITMAP))
        if (auto picture =
                Win32Picture::fromBitmap(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))))
            return picture;
    if (IsClipboardFormatAvailable(CF_ENHMETAFILE))
        if (auto picture = Win32Picture::fromEnhMetafile(
                static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE))))
            return picture;
    if (IsClipboardFormatAvailable(CF_METAFILEPICT)) {
        GlobalLockGuard lock(GetClipboardData(CF_METAFILEPICT));
        if (lock && lock.size() >= sizeof(METAFILEPICT))
            return Win32Picture::fromMetafilePict(*static_cast<const METAFILEPICT*>(lock.data()));
    }
    return nullptr;
}

}  // namespace

std::uint32_t logicalFormat(UINT format, const Win32Clipboard::Formats& formats) {
    switch (format) {
        case CF_TEXT:
        case CF_OEMTEXT:
        case CF_UNICODETEXT:
            return platform::kFormatText;
        case CF_DIBV5:
            return platform::kFormatDib;
        default:
            break;
    }
    if (format == formats.rtf)
        return platform::kFormatRtf;
    if (format == formats.link)
        return platform::kFormatLink;
    return format;
}

Win32Clipboard::Win32Clipboard(platform::Millis openBound) : openBound_(openBound) {
    formats_.marker = RegisterClipboardFormatW(L"Trifolio.Marker");
    formats_.excludeMonitor =
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    formats_.historyAllowed = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    formats_.rtf = RegisterClipboardFormatW(L"Rich Text Format");
    formats_.link = RegisterClipboardFormatW(L"Link");
    for (const wchar_t* name :
         {L"Link Source", L"ObjectLink", L"OwnerLink", L"Native", L"Embed Source",
          // OLE's bookkeeping of the program that copied: meaningless once that program
          // no longer owns the clipboard, and misleading to OLE when put back.
          L"DataObject", L"Ole Private Data", L"Wine Marshalled DataObject"})
        formats_.oleLink.push_back(RegisterClipboardFormatW(name));

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32Clipboard::windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    window_.reset(CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, this));
    // Clipboard changes then wake the program's waits at once.
    if (window_)
        AddClipboardFormatListener(window_.get());
}

Win32Clipboard::~Win32Clipboard() {
    if (window_)
        RemoveClipboardFormatListener(window_.get());
    // Destroying the window renders whatever is still offered (WM_RENDERALLFORMATS).
    window_.reset();
}

LRESULT CALLBACK Win32Clipboard::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Clipboard*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message != WM_NCCREATE)
        return guarded(window, message, wParam, lParam,
                       [&] { return self->handle(window, message, wParam, lParam); });
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Clipboard::handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_RENDERFORMAT: {
            // A program is reading an offered format right now; the clipboard is open
            // on its side, so the data goes in without opening.
            // The window that has the clipboard open names the reader: the application
            // the keystroke went to, or a clipboard monitor beside it.
            const auto format = static_cast<UINT>(wParam);
            if (!contains(offeredFormats_, format))
                return 0;
            DWORD reader = 0;
            if (HWND opener = GetOpenClipboardWindow())
                GetWindowThreadProcessId(opener, &reader);
            readers_.push_back(reader);
            setData(format, kindOf(format), renderOffered(format));
            return 0;
        }
        case WM_RENDERALLFORMATS:
            // The window is going away while it still owns offered content.
            if (const OpenedClipboard opened(self); opened && GetClipboardOwner() == self)
                for (UINT format : offeredFormats_)
                    setData(format, kindOf(format), renderOffered(format));
            return 0;
        case WM_DESTROYCLIPBOARD:
            dropOffer();
            return 0;
        case WM_CLIPBOARDUPDATE:
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(self, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcW(self, message, wParam, lParam);
}

OpenedClipboard Win32Clipboard::open() {
    if (!window_)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + openBound_;
    for (;;) {
        if (OpenedClipboard opened(window_.get()); opened)
            return opened;
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        // While another program holds the clipboard it may be reading content this
        // program offered: let its render requests through, but nothing else.
        MsgWaitForMultipleObjectsEx(0, nullptr, 12, QS_SENDMESSAGE, 0);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void Win32Clipboard::markTransient() {
    const DWORD zero = 0;
    setData(formats_.excludeMonitor, FormatKind::Memory, globalCopy(&zero, sizeof zero));
    setData(formats_.historyAllowed, FormatKind::Memory, globalCopy(&zero, sizeof zero));
}

void Win32Clipboard::dropOffer() {
    offeredFormats_.clear();
    offeredText_.reset();
    offeredPicture_.reset();
}

HANDLE Win32Clipboard::renderOffered(UINT format) const {
    if (format == CF_UNICODETEXT && offeredText_) {
        const std::wstring text = widen(*offeredText_);
        return globalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    if (offeredPicture_)
        return offeredPicture_->render(format);
    return nullptr;
}

int Win32Clipboard::readsBy(std::uint32_t process) {
    return static_cast<int>(std::count_if(readers_.begin(), readers_.end(), [&](std::uint32_t r) {
        return process == 0 || r == 0 || r == process;
    }));
}

bool Win32Clipboard::confidential() const {
    if (GetClipboardOwner() == window_.get())
        return restoredConfidential_;
    return IsClipboardFormatAvailable(formats_.excludeMonitor) != FALSE;
}

std::uint32_t Win32Clipboard::sequenceNumber() {
    return GetClipboardSequenceNumber();
}

std::optional<platform::Clipboard::Reading> Win32Clipboard::read(bool whole) {
    const OpenedClipboard opened = open();
    if (!opened)
        return std::nullopt;
    Reading reading;
    auto& content = reading.content;

    std::vector<UINT> offered;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        offered.push_back(format);
    auto note = [&](std::uint32_t format) {
        if (std::find(content.formats.begin(), content.formats.end(), format) ==
            content.formats.end())
            content.formats.push_back(format);
    };
    for (UINT format : offered)
        note(logicalFormat(format, formats_));
    // Formats the system derives from the ones offered count as offered too.
    for (UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_BITMAP}, UINT{CF_DIB}, UINT{CF_ENHMETAFILE},
                        UINT{CF_METAFILEPICT}})
        if (IsClipboardFormatAvailable(format))
            note(logicalFormat(format, formats_));

    // Of confidential content nothing is read that the program could show.
    content.confidential = confidential();
    bool lyingDib = false;
    if (!content.confidential) {
        if (IsClipboardFormatAvailable(CF_UNICODETEXT))
            content.text = readText();
        content.picture = readPicture(offered, lyingDib);
    }

    if (whole)
        reading.whole = Snapshot::save(offered, formats_, content.confidential, lyingDib);
    return reading;
}

bool Win32Clipboard::clear() {
    const OpenedClipboard opened = open();
    return opened && EmptyClipboard() != FALSE;
}

bool Win32Clipboard::clearWithMarker() {
    const OpenedClipboard opened = open();
    if (!opened || !EmptyClipboard())
        return false;
    const char mark = 1;
    const bool marked = setData(formats_.marker, FormatKind::Memory, globalCopy(&mark, 1));
    markTransient();
    return marked;
}

bool Win32Clipboard::markerPresent() {
    return IsClipboardFormatAvailable(formats_.marker) != FALSE;
}

bool Win32Clipboard::offer(const std::optional<std::string>& text,
                           const platform::PicturePtr& picture) {
    const OpenedClipboard opened = open();
    if (!opened || !EmptyClipboard())
        return false;
    // EmptyClipboard dropped any earlier offer (WM_DESTROYCLIPBOARD).
    readers_.clear();
    offeredText_ = text;
    offeredPicture_ = std::dynamic_pointer_cast<const Win32Picture>(picture);
    if (offeredText_)
        offeredFormats_.push_back(CF_UNICODETEXT);
    if (offeredPicture_) {
        if (offeredPicture_->isBitmap())
            offeredFormats_.insert(offeredFormats_.end(), {UINT{CF_DIB}, UINT{CF_BITMAP}});
        else
            offeredFormats_.insert(offeredFormats_.end(),
                                   {UINT{CF_ENHMETAFILE}, UINT{CF_METAFILEPICT}});
    }
    bool ok = true;
    for (UINT format : offeredFormats_) {
        // A delayed-rendering offer returns no handle even when it succeeds.
        SetClipboardData(format, nullptr);
        ok = IsClipboardFormatAvailable(format) && ok;
    }
    markTransient();
    return ok;
}

bool Win32Clipboard::restore(const platform::ClipboardSnapshot& snapshot) {
    const auto* saved = dynamic_cast<const Snapshot*>(&snapshot);
    if (!saved)
        return false;
    const OpenedClipboard opened = open();
    if (!opened || !EmptyClipboard())
        return false;
    const bool ok = saved->recreate();
    markTransient();
    restoredConfidential_ = saved->confidential();
    return ok;
}

std::uint32_t Win32Clipboard::ownerProcess() {
    DWORD process = 0;
    if (HWND owner = GetClipboardOwner())
        GetWindowThreadProcessId(owner, &process);
    return process;
}

}  // namespace trifolio::win32
