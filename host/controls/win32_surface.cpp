#include "win32_surface.h"

#include <utility>

namespace quillmere::win32 {

Surface::Surface(int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr) {
        return;
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) {
        Release();
        return;
    }
    previous_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<std::uint8_t*>(bits);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = 32;
    stride_ = width * 4;
    bottomUp_ = false;
}

Surface Surface::FromResource(int id) {
    Surface surface;
    surface.bitmap_ = static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (surface.bitmap_ == nullptr) {
        return surface;
    }
    DIBSECTION section{};
    if (GetObjectA(surface.bitmap_, sizeof section, &section) != sizeof section ||
        section.dsBm.bmBits == nullptr) {
        surface.Release();
        return surface;
    }
    surface.dc_ = CreateCompatibleDC(nullptr);
    if (surface.dc_ == nullptr) {
        surface.Release();
        return surface;
    }
    surface.previous_ = SelectObject(surface.dc_, surface.bitmap_);
    surface.bits_ = static_cast<std::uint8_t*>(section.dsBm.bmBits);
    surface.width_ = section.dsBm.bmWidth;
    surface.height_ = section.dsBm.bmHeight;
    surface.bitsPerPixel_ = section.dsBm.bmBitsPixel;
    surface.stride_ = section.dsBm.bmWidthBytes;
    surface.bottomUp_ = section.dsBmih.biHeight > 0;
    return surface;
}

Surface::~Surface() {
    Release();
}

Surface::Surface(Surface&& other) noexcept {
    *this = std::move(other);
}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        Release();
        dc_ = std::exchange(other.dc_, nullptr);
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        previous_ = std::exchange(other.previous_, nullptr);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        bitsPerPixel_ = std::exchange(other.bitsPerPixel_, 0);
        stride_ = std::exchange(other.stride_, 0);
        bottomUp_ = std::exchange(other.bottomUp_, false);
    }
    return *this;
}

void Surface::Release() {
    if (dc_ != nullptr) {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    dc_ = nullptr;
    bitmap_ = nullptr;
    previous_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = bitsPerPixel_ = stride_ = 0;
}

std::uint32_t Surface::Pixel(int x, int y) const {
    if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_ ||
        (bitsPerPixel_ != 24 && bitsPerPixel_ != 32)) {
        return 0;
    }
    GdiFlush();
    const int row = bottomUp_ ? height_ - 1 - y : y;
    const std::uint8_t* p = bits_ + row * stride_ + x * (bitsPerPixel_ / 8);
    return (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) |
           p[0];
}

void Surface::PremultiplyAlpha() {
    if (bits_ == nullptr || bitsPerPixel_ != 32) {
        return;
    }
    GdiFlush();
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* p = bits_ + y * stride_;
        for (int x = 0; x < width_; ++x, p += 4) {
            const unsigned alpha = p[3];
            for (int c = 0; c < 3; ++c) {
                p[c] = static_cast<std::uint8_t>((p[c] * alpha + 127) / 255);
            }
        }
    }
}

}  // namespace quillmere::win32
