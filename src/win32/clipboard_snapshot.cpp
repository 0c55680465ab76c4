#include "win32/clipboard_snapshot.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "win32/picture.h"

namespace trifolio::win32 {

namespace {

// Frees a handle that SetClipboardData did not take.
void discard(FormatKind kind, HANDLE handle) {
    if (!handle)
        return;
    switch (kind) {
        case FormatKind::Memory:
            GlobalFree(handle);
            break;
        case FormatKind::MetafilePict: {
            {
                GlobalLockGuard lock(handle);
                if (lock)
                    DeleteMetaFile(static_cast<const METAFILEPICT*>(lock.data())->hMF);
            }
            GlobalFree(handle);
            break;
        }
        case FormatKind::EnhMetafile:
            DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle));
            break;
        case FormatKind::Bitmap:
        case FormatKind::Palette:
            DeleteObject(handle);
            break;
    }
}

}  // namespace

FormatKind kindOf(UINT format) {
    switch (format) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            return FormatKind::Bitmap;
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            return FormatKind::EnhMetafile;
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            return FormatKind::MetafilePict;
        case CF_PALETTE:
            return FormatKind::Palette;
        default:
            return FormatKind::Memory;
    }
}

bool setData(UINT format, FormatKind kind, HANDLE handle) {
    if (!handle)
        return false;
    if (SetClipboardData(format, handle))
        return true;
    discard(kind, handle);
    return false;
}

std::string memoryBytes(HANDLE handle) {
    GlobalLockGuard lock(handle);
    if (!lock)
        return {};
    return std::string(static_cast<const char*>(lock.data()), lock.size());
}

std::optional<Snapshot::Entry> Snapshot::saveFormat(UINT format, FormatKind kind) {
    HANDLE handle = GetClipboardData(format);
    if (!handle)
        return std::nullopt;
    Entry entry;
    entry.format = format;
    entry.kind = kind;
    switch (kind) {
        case FormatKind::Memory:
            // A registered format whose data is no global memory cannot be copied.
            if (GlobalSize(handle) == 0)
                return std::nullopt;
            entry.bytes = std::make_shared<const std::string>(memoryBytes(handle));
            break;
        case FormatKind::Bitmap:
            entry.bitmap.reset(static_cast<HBITMAP>(CopyImage(handle, IMAGE_BITMAP, 0, 0, 0)));
            if (!entry.bitmap)
                return std::nullopt;
            break;
        case FormatKind::EnhMetafile: {
            auto metafile = static_cast<HENHMETAFILE>(handle);
            const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
            auto bytes = std::make_shared<std::string>(size, '\0');
            if (size == 0 ||
                GetEnhMetaFileBits(metafile, size, reinterpret_cast<BYTE*>(bytes->data())) != size)
                return std::nullopt;
            entry.bytes = std::move(bytes);
            break;
        }
        case FormatKind::MetafilePict: {
            GlobalLockGuard lock(handle);
            if (!lock || lock.size() < sizeof(METAFILEPICT))
                return std::nullopt;
            METAFILEPICT pict;
            std::memcpy(&pict, lock.data(), sizeof pict);
            entry.mapMode = pict.mm;
            entry.xExt = pict.xExt;
            entry.yExt = pict.yExt;
            const UINT size = GetMetaFileBitsEx(pict.hMF, 0, nullptr);
            auto bytes = std::make_shared<std::string>(size, '\0');
            if (size == 0 || GetMetaFileBitsEx(pict.hMF, size, bytes->data()) != size)
                return std::nullopt;
            entry.bytes = std::move(bytes);
            break;
        }
        case FormatKind::Palette: {
            auto palette = static_cast<HPALETTE>(handle);
            const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
            if (count == 0)
                return std::nullopt;
            auto bytes = std::make_shared<std::string>(sizeof(PALETTEENTRY) * count, '\0');
            GetPaletteEntries(palette, 0, count, reinterpret_cast<PALETTEENTRY*>(bytes->data()));
            entry.bytes = std::move(bytes);
            break;
        }
    }
    return entry;
}

const Snapshot::Entry* Snapshot::find(UINT format) const {
    for (const Entry& entry : entries_)
        if (entry.format == format)
            return &entry;
    return nullptr;
}

std::vector<UINT> Snapshot::formats() const {
    std::vector<UINT> kept;
    for (const Entry& entry : entries_)
        kept.push_back(entry.format);
    return kept;
}

std::shared_ptr<const std::string> Snapshot::bytes(UINT format) const {
    const Entry* entry = find(format);
    return entry && entry->kind == FormatKind::Memory ? entry->bytes : nullptr;
}

bool Snapshot::large(UINT format) const {
    constexpr std::size_t kLarge = 256 * 1024;
    const Entry* entry = find(format);
    return entry && entry->bytes && entry->bytes->size() > kLarge;
}

HANDLE Snapshot::render(UINT format) const {
    const Entry* found = find(format);
    if (!found)
        return nullptr;
    const Entry& entry = *found;
    const std::string empty;
    const std::string& bytes = entry.bytes ? *entry.bytes : empty;
    switch (entry.kind) {
        case FormatKind::Memory:
            return globalCopy(bytes.data(), bytes.size());
        case FormatKind::Bitmap:
            return CopyImage(entry.bitmap.get(), IMAGE_BITMAP, 0, 0, 0);
        case FormatKind::EnhMetafile:
            return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                      reinterpret_cast<const BYTE*>(bytes.data()));
        case FormatKind::MetafilePict: {
            Metafile metafile(SetMetaFileBitsEx(static_cast<UINT>(bytes.size()),
                                                reinterpret_cast<const BYTE*>(bytes.data())));
            if (!metafile)
                return nullptr;
            METAFILEPICT pict{entry.mapMode, entry.xExt, entry.yExt, metafile.get()};
            HGLOBAL memory = globalCopy(&pict, sizeof pict);
            if (memory)
                metafile.release();
            return memory;
        }
        case FormatKind::Palette: {
            const auto count = static_cast<WORD>(bytes.size() / sizeof(PALETTEENTRY));
            std::string buffer(offsetof(LOGPALETTE, palPalEntry) + bytes.size(), '\0');
            auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = count;
            std::memcpy(logical->palPalEntry, bytes.data(), bytes.size());
            return CreatePalette(logical);
        }
    }
    return nullptr;
}

std::shared_ptr<Snapshot> Snapshot::save(const std::vector<UINT>& offered,
                                         const Win32Clipboard::Formats& formats,
                                         bool confidential) {
    const auto has = [&](UINT value) {
        return std::find(offered.begin(), offered.end(), value) != offered.end();
    };
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->confidential_ = confidential;
    const bool unicode = has(CF_UNICODETEXT);
    const bool dib = has(CF_DIB) || has(CF_DIBV5);
    // Of the two metafile formats the one listed first is the owner's, the other made
    // from it by the system.
    const auto at = [&](UINT value) { return std::find(offered.begin(), offered.end(), value); };
    const UINT derivedMetafile = !has(CF_ENHMETAFILE) || !has(CF_METAFILEPICT) ? 0
                                 : at(CF_ENHMETAFILE) < at(CF_METAFILEPICT)    ? CF_METAFILEPICT
                                                                               : CF_ENHMETAFILE;
    bool dibKept = false;
    for (UINT format : offered) {
        if (format == formats.marker || format == formats.ownMark ||
            format == formats.excludeMonitor || format == formats.historyAllowed ||
            std::find(formats.oleLink.begin(), formats.oleLink.end(), format) !=
                formats.oleLink.end())
            continue;
        // Derived by the system from CF_UNICODETEXT, from the one DIB kept or from the
        // other metafile: an owner that renders late is not asked for them, and a
        // picture is kept once, as its DIB.
        if ((unicode && (format == CF_TEXT || format == CF_OEMTEXT)) ||
            (dib && format == CF_BITMAP) || format == derivedMetafile)
            continue;
        if (format == CF_DIB || format == CF_DIBV5) {
            if (dibKept)
                continue;
            dibKept = true;
        }
        // Owner-drawn content and private handles mean nothing outside their owner.
        if (format == CF_OWNERDISPLAY || (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
            (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
            continue;
        if (auto entry = saveFormat(format, kindOf(format)))
            snapshot->entries_.push_back(std::move(*entry));
    }
    return snapshot;
}

}  // namespace trifolio::win32
