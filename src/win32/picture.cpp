#include "win32/picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace trifolio::win32 {

HGLOBAL globalCopy(const void* data, std::size_t size) {
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1));
    if (!memory)
        return nullptr;
    {
        GlobalLockGuard lock(memory.get());
        if (!lock)
            return nullptr;
        if (size)
            std::memcpy(lock.data(), data, size);
    }
    return memory.release();
}

std::shared_ptr<const Win32Picture> Win32Picture::fromPackedDib(std::string_view bytes) {
    const dib::Checked checked = dib::check(bytes);
    if (!checked)
        return nullptr;
    const dib::Layout& layout = checked.layout;
    if (layout.width <= kShownSide && layout.height <= kShownSide)
        return std::make_shared<const Win32Picture>(std::string(bytes), layout, layout.width,
                                                    layout.height);

    const double scale = std::min(static_cast<double>(kShownSide) / layout.width,
                                  static_cast<double>(kShownSide) / layout.height);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = std::max(1, static_cast<int>(layout.width * scale + 0.5));
    header.biHeight = std::max(1, static_cast<int>(layout.height * scale + 0.5));
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const std::size_t size = static_cast<std::size_t>(header.biWidth) * header.biHeight * 4;
    void* pixels = nullptr;
    const Bitmap section(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&header),
                                          DIB_RGB_COLORS, &pixels, nullptr, 0));
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!section || !pixels || !dc)
        return nullptr;
    {
        const SelectedObject selected(dc.get(), section.get());
        SetStretchBltMode(dc.get(), HALFTONE);
        SetBrushOrgEx(dc.get(), 0, 0, nullptr);
        if (StretchDIBits(dc.get(), 0, 0, header.biWidth, header.biHeight, 0, 0, layout.width,
                          layout.height, bytes.data() + layout.bitsOffset,
                          reinterpret_cast<const BITMAPINFO*>(bytes.data()), DIB_RGB_COLORS,
                          SRCCOPY) == 0)
            return nullptr;
        GdiFlush();
    }
    std::string scaled(reinterpret_cast<const char*>(&header), sizeof header);
    scaled.append(static_cast<const char*>(pixels), size);
    const dib::Checked shown = dib::check(scaled);
    if (!shown)
        return nullptr;
    return std::make_shared<const Win32Picture>(std::move(scaled), shown.layout, layout.width,
                                                layout.height);
}

std::shared_ptr<const Win32Picture> Win32Picture::fromBitmap(HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) == 0 ||
        !dib::sizeAllowed(info.bmWidth, info.bmHeight))
        return nullptr;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const std::size_t pixels = static_cast<std::size_t>(info.bmWidth) * info.bmHeight * 4;
    std::string bytes(sizeof header + pixels, '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    WindowDc screen(nullptr);
    // GetDIBits may write a colour table behind the header; 32-bit BI_RGB has none.
    if (!screen || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(info.bmHeight),
                             bytes.data() + sizeof header,
                             reinterpret_cast<BITMAPINFO*>(bytes.data()), DIB_RGB_COLORS) == 0)
        return nullptr;
    return fromPackedDib(bytes);
}

namespace {

// Pixel size of a metafile frame given in 0.01 mm, at 96 dots per inch.
int frameToPixels(LONG hundredthsOfMm) {
    return MulDiv(hundredthsOfMm, 96, 2540);
}

std::shared_ptr<const Win32Picture> adoptMetafile(EnhMetafile metafile) {
    ENHMETAHEADER header;
    if (!metafile || GetEnhMetaFileHeader(metafile.get(), sizeof header, &header) == 0)
        return nullptr;
    int width = frameToPixels(header.rclFrame.right - header.rclFrame.left);
    int height = frameToPixels(header.rclFrame.bottom - header.rclFrame.top);
    if (width <= 0 || height <= 0) {
        width = header.rclBounds.right - header.rclBounds.left + 1;
        height = header.rclBounds.bottom - header.rclBounds.top + 1;
    }
    return std::make_shared<const Win32Picture>(std::move(metafile), width, height);
}

}  // namespace

std::shared_ptr<const Win32Picture> Win32Picture::fromEnhMetafile(HENHMETAFILE metafile) {
    if (!metafile)
        return nullptr;
    return adoptMetafile(EnhMetafile(CopyEnhMetaFileW(metafile, nullptr)));
}

std::shared_ptr<const Win32Picture> Win32Picture::fromMetafilePict(const METAFILEPICT& picture) {
    const UINT size = GetMetaFileBitsEx(picture.hMF, 0, nullptr);
    if (size == 0)
        return nullptr;
    std::vector<BYTE> bits(size);
    if (GetMetaFileBitsEx(picture.hMF, size, bits.data()) != size)
        return nullptr;
    return adoptMetafile(EnhMetafile(SetWinMetaFileBits(size, bits.data(), nullptr, &picture)));
}

bool Win32Picture::sameAs(const Win32Picture& other) const {
    if (width_ != other.width_ || height_ != other.height_ || !metafile_ != !other.metafile_)
        return false;
    if (!metafile_)
        return dib_ == other.dib_;
    const auto bits = [](HENHMETAFILE metafile) {
        std::string bytes(GetEnhMetaFileBits(metafile, 0, nullptr), '\0');
        GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()),
                           reinterpret_cast<BYTE*>(bytes.data()));
        return bytes;
    };
    return bits(metafile_.get()) == bits(other.metafile_.get());
}

void Win32Picture::draw(HDC dc, const RECT& target) const {
    if (metafile_) {
        PlayEnhMetaFile(dc, metafile_.get(), &target);
        return;
    }
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, layout_.width, layout_.height, bits(),
                  reinterpret_cast<const BITMAPINFO*>(dib_.data()), DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

}  // namespace trifolio::win32
