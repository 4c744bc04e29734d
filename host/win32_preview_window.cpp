#include "win32_preview_window.h"

#include <string_view>

#include "last_api_result.h"
#include "win32_end_program.h"
#include "win32_host_services.h"
#include "win32_resources.h"

namespace quillmere {

namespace {

constexpr char kWindowClass[] = "Tormalune_R";
// How often the host window is looked at: a parent in another process that goes may take its
// child along without the child's thread hearing of it first.
constexpr UINT_PTR kHostWatchTimer = 1;
constexpr UINT kHostWatchIntervalMs = 250;

}  // namespace

std::unique_ptr<Tormalune_R> Tormalune_R::Show(const std::string& argumentText) {
    HWND host = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(PreviewHandle(argumentText)));
    if (host == nullptr || !IsWindow(host)) {
        return nullptr;
    }
    std::unique_ptr<Tormalune_R> preview(new Tormalune_R(host));
    if (!preview->Attach()) {
        return nullptr;
    }
    return preview;
}

Tormalune_R::~Tormalune_R() = default;

bool Tormalune_R::Attach() {
    RECT hostRect{};
    const BOOL gotRect = GetWindowRect(host_, &hostRect);
    LastApiResult = gotRect;
    if (!gotRect) {
        return false;
    }
    rect_ = PreviewRectFor(hostRect.right - hostRect.left, hostRect.bottom - hostRect.top);

    const std::string_view file = win32::ResourceBytes(QUILLMERE_PREVIEW_PICTURE);
    if (file.size() > sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) {
        const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
        if (header->bfOffBits < file.size()) {
            pictureInfo_ =
                reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof(BITMAPFILEHEADER));
            picturePixels_ = file.data() + header->bfOffBits;
        }
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = CreateSolidBrush(RGB(192, 192, 192));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kWindowClass, "Preview Window", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    // A child of another window must not keep the pop-up bit beside the child bit.
    const LONG style = GetWindowLongA(window_, GWL_STYLE);
    LastApiResult = SetWindowLongA(window_, GWL_STYLE, (style | WS_CHILD) & ~WS_POPUP);
    LastApiResult = SetParent(window_, host_) != nullptr;
    const int width = rect_.PreviewWidth / kTwipsPerPixel;
    const int height = rect_.PreviewHeight / kTwipsPerPixel;
    MoveWindow(window_, rect_.PreviewLeft / kTwipsPerPixel, rect_.PreviewTop / kTwipsPerPixel,
               width, height, FALSE);
    SetTimer(window_, kHostWatchTimer, kHostWatchIntervalMs, nullptr);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

void Tormalune_R::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    if (pictureInfo_ != nullptr) {
        // Img_Prev: the picture over (0, 0) to the preview's size, aspect not kept.
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        const BITMAPINFOHEADER& header = pictureInfo_->bmiHeader;
        StretchDIBits(dc, 0, 0, rect_.ImageWidth(), rect_.ImageHeight(), 0, 0, header.biWidth,
                      header.biHeight < 0 ? -header.biHeight : header.biHeight, picturePixels_,
                      pictureInfo_, DIB_RGB_COLORS, SRCCOPY);
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK Tormalune_R::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Tormalune_R*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_TIMER:
            if (wParam == kHostWatchTimer && !IsWindow(self->host_)) {
                win32::EndProgram();
            }
            return 0;
        // Form_Unload: once the preview window is gone there is nothing left to run.
        case WM_DESTROY:
            win32::EndProgram();
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace quillmere
