#include "win32/clipboard.h"

#include <algorithm>

#include "win32/clipboard_snapshot.h"
#include "win32/strings.h"

namespace trifolio::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TrifolioClipboardOwner";
// How long the program, ending, waits for another program to let go of the clipboard
// before the content it still has to render is lost.
constexpr platform::Millis kRenderAtExitBound(3000);

bool contains(const std::vector<UINT>& list, UINT value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool isHighSurrogate(wchar_t c) {
    return (c & 0xFC00) == 0xD800;
}
bool isLowSurrogate(wchar_t c) {
    return (c & 0xFC00) == 0xDC00;
}

// Text up to its NUL: the beginning converted for showing, the whole counted.
void takeText(const void* data, std::size_t size, platform::ClipboardContent& content) {
    const auto* chars = static_cast<const wchar_t*>(data);
    const std::size_t capacity = size / sizeof(wchar_t);
    // A surrogate pair is one character, as is any other unit, one alone too. Blocks
    // without NUL and surrogates are passed over in a sweep the compiler vectorises.
    std::size_t length = 0, pairs = 0;
    for (std::size_t end = 4096; end <= capacity; length = end, end += 4096) {
        unsigned special = 0;
        for (std::size_t i = length; i < end; ++i)
            special |= chars[i] == L'\0' || (chars[i] & 0xF800) == 0xD800;
        if (special)
            break;
    }
    for (; length < capacity && chars[length] != L'\0'; ++length)
        pairs += length > 0 && isLowSurrogate(chars[length]) && isHighSurrogate(chars[length - 1]);
    std::size_t shown = std::min(length, platform::kTextReadUnits);
    if (shown < length && isLowSurrogate(chars[shown]) && isHighSurrogate(chars[shown - 1]))
        --shown;
    content.text = narrow(std::wstring_view(chars, shown));
    content.textLength = length - pairs;
}

// The plain text, from the bytes `whole` keeps when it keeps them.
void readText(const Snapshot* whole, platform::ClipboardContent& content) {
    if (const auto bytes = whole ? whole->bytes(CF_UNICODETEXT) : nullptr)
        return takeText(bytes->data(), bytes->size(), content);
    if (GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
        takeText(lock.data(), lock.size(), content);
}

// The one picture a store keeps: a bitmap when there is one, else a metafile. `offered`
// lists the owner's formats before those the system makes from them. A DIB that fails
// its check is no bitmap, and CF_BITMAP, which the system would make from it, is left.
// A DIB that `whole` keeps is taken from there, not read again.
std::shared_ptr<const Win32Picture> readPicture(const std::vector<UINT>& offered,
                                                const Snapshot* whole) {
    bool lyingDib = false;
    for (UINT dib : offered)
        if (dib == CF_DIB || dib == CF_DIBV5) {
            std::shared_ptr<const Win32Picture> picture;
            if (const auto bytes = whole ? whole->bytes(dib) : nullptr)
                picture = Win32Picture::fromPackedDib(*bytes);
            else if (GlobalLockGuard lock(GetClipboardData(dib)); lock)
                picture = Win32Picture::fromPackedDib(
                    {static_cast<const char*>(lock.data()), lock.size()});
            if (picture)
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
    formats_.ownMark = RegisterClipboardFormatW(L"Trifolio.Transient");
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

    // Clipboard changes then wake the program's waits at once.
    if (createWindow(kWindowClass))
        AddClipboardFormatListener(hwnd());
}

Win32Clipboard::~Win32Clipboard() {
    if (hwnd())
        RemoveClipboardFormatListener(hwnd());
    // Destroying the window renders whatever is still offered (WM_RENDERALLFORMATS).
    destroyWindow();
}

LRESULT Win32Clipboard::handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_RENDERFORMAT: {
            // A program is reading an offered format right now; the clipboard is open
            // on its side, so the data goes in without opening.
            // The window that has the clipboard open names the reader: the application
            // the keystroke went to, or a clipboard monitor beside it.
            const auto format = static_cast<UINT>(wParam);
            if (!contains(delayed_, format))
                return 0;
            if (putIsOffer_) {
                DWORD reader = 0;
                if (HWND opener = GetOpenClipboardWindow())
                    GetWindowThreadProcessId(opener, &reader);
                readers_.push_back(reader);
                if (!serving_ || (reader != 0 && *serving_ != 0 && reader != *serving_))
                    return 0;  // a neighbour's: the format stays offered, unread
            }
            renderPut(format);
            return 0;
        }
        case WM_RENDERALLFORMATS:
            // The window is going away (the program ends) while it still owns content not
            // yet rendered, the user's own among it: a neighbour holding the clipboard at
            // this moment is waited for, its reads served meanwhile.
            if (delayed_.empty() || GetClipboardOwner() != self)
                return 0;
            if (const OpenedClipboard opened = open(self, kRenderAtExitBound);
                opened && GetClipboardOwner() == self)
                for (UINT format : std::vector<UINT>(delayed_))
                    renderPut(format);
            return 0;
        case WM_DESTROYCLIPBOARD:
            dropOffer();
            return 0;
        case WM_CLIPBOARDUPDATE:
            return 0;
        default:
            break;
    }
    return DefWindowProcW(self, message, wParam, lParam);
}

OpenedClipboard Win32Clipboard::open() {
    return open(hwnd(), openBound_);
}

OpenedClipboard Win32Clipboard::open(HWND self, platform::Millis bound) {
    if (!self)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (OpenedClipboard opened(self); opened)
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

void Win32Clipboard::markTransient(bool ours) {
    const DWORD zero = 0;
    setData(formats_.excludeMonitor, FormatKind::Memory, globalCopy(&zero, sizeof zero));
    setData(formats_.historyAllowed, FormatKind::Memory, globalCopy(&zero, sizeof zero));
    if (ours)
        setData(formats_.ownMark, FormatKind::Memory, globalCopy(&zero, sizeof zero));
}

void Win32Clipboard::dropOffer() {
    delayed_.clear();
    put_.reset();
    restored_.reset();
}

// Each format is rendered once; the content goes as soon as nothing is left to render.
void Win32Clipboard::renderPut(UINT format) {
    delayed_.erase(std::remove(delayed_.begin(), delayed_.end(), format), delayed_.end());
    if (put_)
        setData(format, kindOf(format), put_->render(format));
    if (delayed_.empty())
        put_.reset();
}

int Win32Clipboard::readsBy(std::uint32_t process) {
    return static_cast<int>(std::count_if(readers_.begin(), readers_.end(), [&](std::uint32_t r) {
        return process == 0 || r == process;
    }));
}

// The exclusion this program adds to what it puts back, for this and a later run of it,
// comes with its own mark; another program's exclusion comes without.
bool Win32Clipboard::confidential() const {
    return IsClipboardFormatAvailable(formats_.excludeMonitor) &&
           !IsClipboardFormatAvailable(formats_.ownMark);
}

std::uint32_t Win32Clipboard::sequenceNumber() {
    return GetClipboardSequenceNumber();
}

// A program that opened the clipboard without a window is not named by
// GetOpenClipboardWindow; a moment's open of the program's own tells. Opening and closing
// without a change wakes nobody.
bool Win32Clipboard::heldElsewhere() {
    if (GetOpenClipboardWindow())
        return true;
    return !OpenedClipboard(hwnd());
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

    // Of confidential content nothing is read that the program could show. The text and
    // the picture come from the snapshot's bytes when there is one: read once. Content
    // this program put in and has yet to render, or put back and nobody changed since, is
    // the snapshot it came from: nothing is rendered or read again for the program's own
    // reading, and the next action keeps that snapshot.
    content.confidential = confidential();
    std::shared_ptr<const Snapshot> snapshot;
    const bool ours = GetClipboardOwner() == hwnd();
    if (put_ && ours)
        snapshot = put_;
    else if (restored_ && ours && GetClipboardSequenceNumber() == restoredSequence_)
        snapshot = restored_;
    else if (whole)
        snapshot = Snapshot::save(offered, formats_, content.confidential);
    if (!content.confidential) {
        if (IsClipboardFormatAvailable(CF_UNICODETEXT))
            readText(snapshot.get(), content);
        content.picture = samePicture(readPicture(offered, snapshot.get()));
    }
    if (whole)
        reading.whole = std::move(snapshot);
    return reading;
}

// The picture read last when it looks the same as the one just read: the Status page
// then has nothing to draw anew.
std::shared_ptr<const Win32Picture> Win32Clipboard::samePicture(
    std::shared_ptr<const Win32Picture> picture) {
    if (auto last = lastPicture_.lock(); picture && last && last->sameAs(*picture))
        return last;
    lastPicture_ = picture;
    return picture;
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

bool Win32Clipboard::put(std::shared_ptr<const Snapshot> content, bool offer) {
    const OpenedClipboard opened = open();
    if (!opened || !EmptyClipboard())
        return false;
    // EmptyClipboard dropped what was put in before (WM_DESTROYCLIPBOARD).
    putIsOffer_ = offer;
    serving_.reset();
    if (!offer)
        serving_ = 0;
    if (offer)
        readers_.clear();
    bool ok = true;
    if (content) {
        for (UINT format : content->formats()) {
            if (offer || content->large(format)) {
                // A delayed-rendering offer returns no handle even when it succeeds.
                SetClipboardData(format, nullptr);
                delayed_.push_back(format);
                ok = IsClipboardFormatAvailable(format) && ok;
            } else {
                ok = setData(format, kindOf(format), content->render(format)) && ok;
            }
        }
        if (!delayed_.empty())
            put_ = content;
    }
    markTransient(!content || !content->confidential());
    return ok;
}

bool Win32Clipboard::offer(std::shared_ptr<const platform::ClipboardSnapshot> content) {
    auto saved = std::dynamic_pointer_cast<const Snapshot>(std::move(content));
    return put(std::move(saved), true);
}

bool Win32Clipboard::restore(std::shared_ptr<const platform::ClipboardSnapshot> snapshot) {
    auto saved = std::dynamic_pointer_cast<const Snapshot>(std::move(snapshot));
    if (!saved || !put(saved, false))
        return false;
    restored_ = std::move(saved);
    restoredSequence_ = GetClipboardSequenceNumber();
    return true;
}

std::uint32_t Win32Clipboard::ownerProcess() {
    DWORD process = 0;
    if (HWND owner = GetClipboardOwner())
        GetWindowThreadProcessId(owner, &process);
    return process;
}

}  // namespace trifolio::win32
