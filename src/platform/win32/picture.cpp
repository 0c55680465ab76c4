#include "platform/win32/picture.h"

#include <cstring>
#include <vector>

namespace trifolio::win32 {

std::size_t dibBitsOffset(const void* packedDib, std::size_t size) {
    if (size < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, packedDib, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biPlanes != 1)
        return 0;
    std::size_t offset = header.biSize;
    // A plain info header is followed by the three colour masks of a bit-field DIB;
    // the V4/V5 headers hold them inside.
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS)
        offset += 3 * sizeof(DWORD);
    std::size_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8)
        colours = std::size_t{1} << header.biBitCount;
    offset += colours * sizeof(RGBQUAD);
    if (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) {
        const std::size_t stride =
            ((static_cast<std::size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
        const auto rows = static_cast<std::size_t>(
            header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight);
        if (offset + stride * rows > size)
            return 0;
    }
    return offset <= size ? offset : 0;
}

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

std::shared_ptr<const Win32Picture> Win32Picture::fromPackedDib(std::string bytes) {
    if (dibBitsOffset(bytes.data(), bytes.size()) == 0)
        return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return std::make_shared<const Win32Picture>(std::move(bytes), EnhMetafile(), header.biWidth,
                                                height);
}

std::shared_ptr<const Win32Picture> Win32Picture::fromBitmap(HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
        info.bmHeight <= 0)
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
    return fromPackedDib(std::move(bytes));
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
    return std::make_shared<const Win32Picture>(std::string(), std::move(metafile), width, height);
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

void Win32Picture::draw(HDC dc, const RECT& target) const {
    if (metafile_) {
        PlayEnhMetaFile(dc, metafile_.get(), &target);
        return;
    }
    const std::size_t offset = dibBitsOffset(dib_.data(), dib_.size());
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, width_, height_, dib_.data() + offset,
                  reinterpret_cast<const BITMAPINFO*>(dib_.data()), DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

HANDLE Win32Picture::render(UINT format) const {
    if (!metafile_) {
        if (format == CF_DIB)
            return globalCopy(dib_.data(), dib_.size());
        if (format == CF_BITMAP) {
            WindowDc screen(nullptr);
            const auto* info = reinterpret_cast<const BITMAPINFO*>(dib_.data());
            return CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT,
                                  dib_.data() + dibBitsOffset(dib_.data(), dib_.size()), info,
                                  DIB_RGB_COLORS);
        }
        return nullptr;
    }
    if (format == CF_ENHMETAFILE)
        return CopyEnhMetaFileW(metafile_.get(), nullptr);
    if (format == CF_METAFILEPICT) {
        WindowDc screen(nullptr);
        const UINT size =
            GetWinMetaFileBits(metafile_.get(), 0, nullptr, MM_ANISOTROPIC, screen.get());
        if (size == 0)
            return nullptr;
        std::vector<BYTE> bits(size);
        if (GetWinMetaFileBits(metafile_.get(), size, bits.data(), MM_ANISOTROPIC, screen.get()) !=
            size)
            return nullptr;
        Metafile windowsMetafile(SetMetaFileBitsEx(size, bits.data()));
        if (!windowsMetafile)
            return nullptr;
        ENHMETAHEADER header;
        GetEnhMetaFileHeader(metafile_.get(), sizeof header, &header);
        METAFILEPICT pict{MM_ANISOTROPIC, header.rclFrame.right - header.rclFrame.left,
                          header.rclFrame.bottom - header.rclFrame.top, windowsMetafile.get()};
        HGLOBAL memory = globalCopy(&pict, sizeof pict);
        if (memory)
            windowsMetafile.release();
        return memory;
    }
    return nullptr;
}

}  // namespace trifolio::win32
