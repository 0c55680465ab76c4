#include "platform/win32/clipboard.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/strings.h"

namespace trifolio::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TrifolioClipboardOwner";

bool contains(const std::vector<UINT>& list, UINT value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// How one clipboard format is held in a snapshot.
enum class Kind { Memory, Bitmap, EnhMetafile, MetafilePict, Palette };

// One format of a saved clipboard. Everything is kept as bytes except a bitmap,
// which stays a GDI bitmap (a device-dependent one cannot be described by bytes
// without a device); each restore hands the system a fresh copy.
struct Entry {
    UINT format = 0;
    Kind kind = Kind::Memory;
    std::string bytes;
    Bitmap bitmap;
    LONG mapMode = 0, xExt = 0, yExt = 0;  // of a metafile picture
};

class Snapshot final : public platform::ClipboardSnapshot {
  public:
    std::vector<Entry> entries;
};

std::string memoryBytes(HANDLE handle) {
    GlobalLockGuard lock(handle);
    if (!lock)
        return {};
    return std::string(static_cast<const char*>(lock.data()), lock.size());
}

std::optional<Entry> saveFormat(UINT format, Kind kind) {
    HANDLE handle = GetClipboardData(format);
    if (!handle)
        return std::nullopt;
    Entry entry;
    entry.format = format;
    entry.kind = kind;
    switch (kind) {
        case Kind::Memory:
            // A registered format whose data is no global memory cannot be copied.
            if (GlobalSize(handle) == 0)
                return std::nullopt;
            entry.bytes = memoryBytes(handle);
            break;
        case Kind::Bitmap:
            entry.bitmap.reset(static_cast<HBITMAP>(CopyImage(handle, IMAGE_BITMAP, 0, 0, 0)));
            if (!entry.bitmap)
                return std::nullopt;
            break;
        case Kind::EnhMetafile: {
            auto metafile = static_cast<HENHMETAFILE>(handle);
            const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
            entry.bytes.resize(size);
            if (size == 0 ||
                GetEnhMetaFileBits(metafile, size, reinterpret_cast<BYTE*>(entry.bytes.data())) !=
                    size)
                return std::nullopt;
            break;
        }
        case Kind::MetafilePict: {
            GlobalLockGuard lock(handle);
            if (!lock || lock.size() < sizeof(METAFILEPICT))
                return std::nullopt;
            METAFILEPICT pict;
            std::memcpy(&pict, lock.data(), sizeof pict);
            entry.mapMode = pict.mm;
            entry.xExt = pict.xExt;
            entry.yExt = pict.yExt;
            const UINT size = GetMetaFileBitsEx(pict.hMF, 0, nullptr);
            entry.bytes.resize(size);
            if (size == 0 || GetMetaFileBitsEx(pict.hMF, size, entry.bytes.data()) != size)
                return std::nullopt;
            break;
        }
        case Kind::Palette: {
            auto palette = static_cast<HPALETTE>(handle);
            const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
            if (count == 0)
                return std::nullopt;
            entry.bytes.resize(sizeof(PALETTEENTRY) * count);
            GetPaletteEntries(palette, 0, count,
                              reinterpret_cast<PALETTEENTRY*>(entry.bytes.data()));
            break;
        }
    }
    return entry;
}

// A new handle for SetClipboardData holding the entry's content.
HANDLE recreate(const Entry& entry) {
    switch (entry.kind) {
        case Kind::Memory:
            return globalCopy(entry.bytes.data(), entry.bytes.size());
        case Kind::Bitmap:
            return CopyImage(entry.bitmap.get(), IMAGE_BITMAP, 0, 0, 0);
        case Kind::EnhMetafile:
            return SetEnhMetaFileBits(static_cast<UINT>(entry.bytes.size()),
                                      reinterpret_cast<const BYTE*>(entry.bytes.data()));
        case Kind::MetafilePict: {
            Metafile metafile(SetMetaFileBitsEx(static_cast<UINT>(entry.bytes.size()),
                                                reinterpret_cast<const BYTE*>(entry.bytes.data())));
            if (!metafile)
                return nullptr;
            METAFILEPICT pict{entry.mapMode, entry.xExt, entry.yExt, metafile.get()};
            HGLOBAL memory = globalCopy(&pict, sizeof pict);
            if (memory)
                metafile.release();
            return memory;
        }
        case Kind::Palette: {
            const auto count = static_cast<WORD>(entry.bytes.size() / sizeof(PALETTEENTRY));
            std::string buffer(offsetof(LOGPALETTE, palPalEntry) + entry.bytes.size(), '\0');
            auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = count;
            std::memcpy(logical->palPalEntry, entry.bytes.data(), entry.bytes.size());
            return CreatePalette(logical);
        }
    }
    return nullptr;
}

// Frees a handle that SetClipboardData did not take.
void discard(Kind kind, HANDLE handle) {
    if (!handle)
        return;
    switch (kind) {
        case Kind::Memory:
            GlobalFree(handle);
            break;
        case Kind::MetafilePict: {
            {
                GlobalLockGuard lock(handle);
                if (lock)
                    DeleteMetaFile(static_cast<const METAFILEPICT*>(lock.data())->hMF);
            }
            GlobalFree(handle);
            break;
        }
        case Kind::EnhMetafile:
            DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle));
            break;
        case Kind::Bitmap:
        case Kind::Palette:
            DeleteObject(handle);
            break;
    }
}

Kind kindOf(UINT format) {
    switch (format) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            return Kind::Bitmap;
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            return Kind::EnhMetafile;
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            return Kind::MetafilePict;
        case CF_PALETTE:
            return Kind::Palette;
        default:
            return Kind::Memory;
    }
}

bool setData(UINT format, Kind kind, HANDLE handle) {
    if (!handle)
        return false;
    if (SetClipboardData(format, handle))
        return true;
    discard(kind, handle);
    return false;
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

// The one picture a store keeps: a bitmap when there is one, else a metafile.
std::shared_ptr<const Win32Picture> readPicture() {
    for (UINT format : {UINT{CF_DIB}, UINT{CF_DIBV5}}) {
        if (!IsClipboardFormatAvailable(format))
            continue;
        if (auto picture = Win32Picture::fromPackedDib(memoryBytes(GetClipboardData(format))))
            return picture;
    }
    if (IsClipboardFormatAvailable(CF_BITMAP))
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
        return self->handle(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Clipboard::handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_RENDERFORMAT: {
            // A program is reading an offered format right now; the clipboard is open
            // on its side, so the data goes in without opening.
            const auto format = static_cast<UINT>(wParam);
            if (!contains(offeredFormats_, format))
                return 0;
            ++renders_;
            setData(format, kindOf(format), renderOffered(format));
            return 0;
        }
        case WM_RENDERALLFORMATS:
            // The window is going away while it still owns offered content.
            if (OpenClipboard(self)) {
                if (GetClipboardOwner() == self)
                    for (UINT format : offeredFormats_)
                        setData(format, kindOf(format), renderOffered(format));
                CloseClipboard();
            }
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

bool Win32Clipboard::open() {
    if (!window_)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + openBound_;
    for (;;) {
        if (OpenClipboard(window_.get()))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // While another program holds the clipboard it may be reading content this
        // program offered: let its render requests through, but nothing else.
        MsgWaitForMultipleObjectsEx(0, nullptr, 12, QS_SENDMESSAGE, 0);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void Win32Clipboard::markTransient() {
    const DWORD zero = 0;
    setData(formats_.excludeMonitor, Kind::Memory, globalCopy(&zero, sizeof zero));
    setData(formats_.historyAllowed, Kind::Memory, globalCopy(&zero, sizeof zero));
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

std::uint32_t Win32Clipboard::sequenceNumber() {
    return GetClipboardSequenceNumber();
}

std::optional<platform::Clipboard::Reading> Win32Clipboard::read(bool whole) {
    if (!open())
        return std::nullopt;
    OpenedClipboard opened{OpenedClipboard::Adopt{}};
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

    if (IsClipboardFormatAvailable(CF_UNICODETEXT))
        content.text = readText();
    content.picture = readPicture();

    if (whole) {
        auto snapshot = std::make_shared<Snapshot>();
        const bool unicode = contains(offered, CF_UNICODETEXT);
        bool dibKept = false;
        for (UINT format : offered) {
            if (format == formats_.marker || format == formats_.excludeMonitor ||
                format == formats_.historyAllowed || contains(formats_.oleLink, format))
                continue;
            // Derived by the system from CF_UNICODETEXT, or from the one DIB kept.
            if (unicode && (format == CF_TEXT || format == CF_OEMTEXT))
                continue;
            if (format == CF_DIB || format == CF_DIBV5) {
                if (dibKept)
                    continue;
                dibKept = true;
            }
            // Owner-drawn content and private handles mean nothing outside their owner.
            if (format == CF_OWNERDISPLAY ||
                (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
                (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
                continue;
            if (auto entry = saveFormat(format, kindOf(format)))
                snapshot->entries.push_back(std::move(*entry));
        }
        reading.whole = std::move(snapshot);
    }
    return reading;
}

bool Win32Clipboard::clear() {
    if (!open())
        return false;
    OpenedClipboard opened{OpenedClipboard::Adopt{}};
    return EmptyClipboard() != FALSE;
}

bool Win32Clipboard::clearWithMarker() {
    if (!open())
        return false;
    OpenedClipboard opened{OpenedClipboard::Adopt{}};
    if (!EmptyClipboard())
        return false;
    const char mark = 1;
    const bool marked = setData(formats_.marker, Kind::Memory, globalCopy(&mark, 1));
    markTransient();
    return marked;
}

bool Win32Clipboard::markerPresent() {
    return IsClipboardFormatAvailable(formats_.marker) != FALSE;
}

bool Win32Clipboard::offer(const std::optional<std::string>& text,
                           const platform::PicturePtr& picture) {
    if (!open())
        return false;
    OpenedClipboard opened{OpenedClipboard::Adopt{}};
    if (!EmptyClipboard())
        return false;
    // EmptyClipboard dropped any earlier offer (WM_DESTROYCLIPBOARD).
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
    if (!saved || !open())
        return false;
    OpenedClipboard opened{OpenedClipboard::Adopt{}};
    if (!EmptyClipboard())
        return false;
    bool ok = true;
    for (const Entry& entry : saved->entries)
        ok = setData(entry.format, entry.kind, recreate(entry)) && ok;
    markTransient();
    return ok;
}

std::uint32_t Win32Clipboard::ownerProcess() {
    DWORD process = 0;
    if (HWND owner = GetClipboardOwner())
        GetWindowThreadProcessId(owner, &process);
    return process;
}

}  // namespace trifolio::win32
