// Tormalune_R on Win32: the still preview, made a child of the window handed over on the command
// line and stretched over it by GDI. The program ends when the preview window is gone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "tormalune_b.h"

namespace quillmere {

class Tormalune_R {
  public:
    // Sets up and shows the preview for the argument text; nothing when its handle names no
    // window.
    static std::unique_ptr<Tormalune_R> Show(const std::string& argumentText);
    ~Tormalune_R();
    Tormalune_R(const Tormalune_R&) = delete;
    Tormalune_R& operator=(const Tormalune_R&) = delete;

  private:
    explicit Tormalune_R(HWND host) : host_(host) {}
    bool Attach();
    void Paint();
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    HWND host_;
    HWND window_ = nullptr;
    PreviewRect rect_;
    // The picture: a BMP file's information header and its pixels, in the resources.
    const BITMAPINFO* pictureInfo_ = nullptr;
    const void* picturePixels_ = nullptr;
};

}  // namespace quillmere
