// A drawing surface kept in memory on Windows: a DIB section selected into a memory device
// context, as the host's controls keep what they paint and show it again when uncovered. Also
// the pictures the program carries as bitmap resources, loaded as DIB sections.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quillmere::win32 {

class Surface {
  public:
    Surface() = default;
    // A 32-bit top-down surface of that size; empty when the system cannot make one.
    Surface(int width, int height);
    // The bitmap resource of the program, as a DIB section of its own depth; empty when missing.
    static Surface FromResource(int id);
    ~Surface();
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    bool empty() const { return dc_ == nullptr; }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    // The pixel rows, as the DIB section holds them (stride rounded to 4 bytes; bottom-up for a
    // loaded resource, top-down for a made surface).
    std::uint8_t* bits() const { return bits_; }
    int stride() const { return stride_; }
    bool bottomUp() const { return bottomUp_; }
    // 0x00RRGGBB of a pixel (for checks); 0 outside.
    std::uint32_t Pixel(int x, int y) const;

    // Multiplies a 32-bit surface's colours by their alpha, as AlphaBlend takes them.
    void PremultiplyAlpha();

  private:
    void Release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int stride_ = 0;
    bool bottomUp_ = false;
};

}  // namespace quillmere::win32
