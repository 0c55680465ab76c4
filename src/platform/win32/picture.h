// A picture held by a store: a device-independent bitmap or an enhanced metafile,
// copied out of the clipboard so that it outlives the clipboard's content.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/dib.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace trifolio::win32 {

class Win32Picture final : public platform::Picture {
  public:
    // A packed DIB (header, masks, colour table, pixels) as CF_DIB / CF_DIBV5 hold it,
    // shared with whoever else keeps the bytes (a snapshot). nullptr when dib::check
    // refuses the bytes.
    static std::shared_ptr<const Win32Picture> fromPackedDib(
        std::shared_ptr<const std::string> bytes);
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

    // Draws the picture stretched into `target`.
    void draw(HDC dc, const RECT& target) const;

    // A bitmap picture: `dib` with the layout dib::check found in it.
    Win32Picture(std::shared_ptr<const std::string> dib, const dib::Layout& layout) noexcept
        : dib_(std::move(dib)), layout_(layout), width_(layout.width), height_(layout.height) {}
    // A metafile picture.
    Win32Picture(EnhMetafile metafile, int width, int height) noexcept
        : metafile_(std::move(metafile)), width_(width), height_(height) {}

  private:
    const char* bits() const noexcept { return dib_->data() + layout_.bitsOffset; }

    std::shared_ptr<const std::string> dib_;
    dib::Layout layout_;
    EnhMetafile metafile_;
    int width_;
    int height_;
};

// New global memory holding `size` bytes copied from `data`, or nullptr.
HGLOBAL globalCopy(const void* data, std::size_t size);

}  // namespace trifolio::win32
