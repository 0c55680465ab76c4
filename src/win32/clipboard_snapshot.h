// The whole clipboard kept as it was, for putting it back after an action: every
// format that can be copied, saved from the open clipboard and recreated into it.
// Also the handle helpers that the clipboard's other operations share with it.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "win32/clipboard.h"
#include "win32/handles.h"

namespace trifolio::win32 {

// How one clipboard format's data is held. (In a namespace of its own, since its
// names are also those of the handle wrappers.)
namespace held {
enum class FormatKind { Memory, Bitmap, EnhMetafile, MetafilePict, Palette };
}
using held::FormatKind;
FormatKind kindOf(UINT format);

// Puts `handle` into the open clipboard, or frees it when the clipboard does not take it.
bool setData(UINT format, FormatKind kind, HANDLE handle);

// The bytes of a global memory block; empty when it cannot be locked.
std::string memoryBytes(HANDLE handle);

class Snapshot final : public platform::ClipboardSnapshot {
  public:
    // Saves from the open clipboard each of the `offered` formats (in the order
    // EnumClipboardFormats gave them) that still means something once the program
    // that copied no longer owns the clipboard, and that the system does not make from
    // another one kept (CF_TEXT and CF_OEMTEXT from CF_UNICODETEXT, CF_BITMAP from the
    // one DIB kept, one metafile format from the other).
    // `confidential`: the content was marked not to be shown by clipboard tools.
    static std::shared_ptr<Snapshot> save(const std::vector<UINT>& offered,
                                          const Win32Clipboard::Formats& formats,
                                          bool confidential);
    // The formats kept, in their order.
    std::vector<UINT> formats() const;
    // The bytes of a memory format kept, shared; null when it is not kept.
    std::shared_ptr<const std::string> bytes(UINT format) const;
    // Whether putting `format` back may wait until a program reads it: true for
    // large content, which is then rendered from here.
    bool large(UINT format) const;
    // A new handle for SetClipboardData holding the format's content; null when not kept.
    HANDLE render(UINT format) const;
    bool confidential() const noexcept { return confidential_; }

  private:
    // One format. Everything is kept as bytes except a bitmap, which stays a GDI
    // bitmap (a device-dependent one cannot be described by bytes without a device);
    // each restore hands the system a fresh copy.
    struct Entry {
        UINT format = 0;
        FormatKind kind = FormatKind::Memory;
        std::shared_ptr<const std::string> bytes;
        Bitmap bitmap;
        LONG mapMode = 0, xExt = 0, yExt = 0;  // of a metafile picture
    };
    static std::optional<Entry> saveFormat(UINT format, FormatKind kind);
    const Entry* find(UINT format) const;

    std::vector<Entry> entries_;
    bool confidential_ = false;
};

}  // namespace trifolio::win32
