// A picture held by a store for showing: a device-independent bitmap (of a large one a
// copy scaled to the Status page's box) or an enhanced metafile, copied out of the
// clipboard so that it outlives the clipboard's content.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "core/formats/dib.h"
#include "platform/platform.h"
#include "win32/handles.h"

namespace trifolio::win32 {

class Win32Picture final : public platform::Picture {
  public:
    // A packed DIB (header, masks, colour table, pixels) as CF_DIB / CF_DIBV5 hold it.
    // Of a picture larger than kShownSide on a side only a copy scaled to that is kept:
    // all the Status page draws. nullptr when dib::check refuses the bytes.
    static std::shared_ptr<const Win32Picture> fromPackedDib(std::string_view bytes);
    static constexpr int kShownSide = 256;
    // Copies any bitmap (device-dependent or DIB section) into a 32-bit DIB; nullptr for
    // one beyond dib::sizeAllowed.
    static std::shared_ptr<const Win32Picture> fromBitmap(HBITMAP bitmap);
    // Copies an enhanced metafile.
    static std::shared_ptr<const Win32Picture> fromEnhMetafile(HENHMETAFILE metafile);
    // Converts a Windows metafile picture (CF_METAFILEPICT) into an enhanced metafile.
    static std::shared_ptr<const Win32Picture> fromMetafilePict(const METAFILEPICT& picture);

    int width() const override { return width_; }
    int height() const override { return height_; }
    bool isBitmap() const noexcept { return !metafile_; }

    // The same picture to look at: the same size and bytes kept, or a metafile with the
    // same records.
    bool sameAs(const Win32Picture& other) const;

    // Draws the picture stretched into `target`.
    void draw(HDC dc, const RECT& target) const;

    // A bitmap picture of width x height: `dib` (that picture or a copy scaled down) with
    // the layout dib::check found in it.
    Win32Picture(std::string dib, const dib::Layout& layout, int width, int height) noexcept
        : dib_(std::move(dib)), layout_(layout), width_(width), height_(height) {}
    // A metafile picture.
    Win32Picture(EnhMetafile metafile, int width, int height) noexcept
        : metafile_(std::move(metafile)), width_(width), height_(height) {}

  private:
    const char* bits() const noexcept { return dib_.data() + layout_.bitsOffset; }

    std::string dib_;
    dib::Layout layout_;
    EnhMetafile metafile_;
    int width_;
    int height_;
};

// New global memory holding `size` bytes copied from `data`, or nullptr.
HGLOBAL globalCopy(const void* data, std::size_t size);

}  // namespace trifolio::win32
