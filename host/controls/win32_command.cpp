#include "win32_command.h"

#include <windowsx.h>

#include <array>

#include "win32_command_resources.h"

namespace quillmere::win32 {

namespace {

// The system's text colour for greyed-out captions, as the Qt button uses it too.
constexpr COLORREF kGreyedText = RGB(0xAC, 0xA8, 0x99);
constexpr UINT_PTR kPollTimerId = 1;

const std::array<Surface, 6>& SkinSurfaces() {
    static const std::array<Surface, 6> skins = [] {
        const int ids[] = {QUILLMERE_SKIN_NORMAL,   QUILLMERE_SKIN_HIGHLIGHT,
                           QUILLMERE_SKIN_SELECTED, QUILLMERE_SKIN_HIGHLIGHTSELECT,
                           QUILLMERE_SKIN_PRESSED,  QUILLMERE_SKIN_DISABLE};
        std::array<Surface, 6> loaded;
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            // A missing skin stays empty; its pieces are then skipped.
            loaded[i] = Surface::FromResource(ids[i]);
        }
        return loaded;
    }();
    return skins;
}

int ButtonCodeOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            return kLeftButton;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
            return kRightButton;
        default:
            return kMiddleButton;
    }
}

// Copies one skin piece, stretched by nearest pixel as StretchSourceIndex maps it. StretchBlt
// with COLORONCOLOR is the system's way, but Wine's mapping takes a neighbouring source pixel in
// some places (seen on the 41 x 21 button), so the face is made here, the same on every system.
void StretchPiece(Surface& face, const PixelPiece& piece, const Surface& skin) {
    const Rect& dest = piece.dest;
    const Rect& source = piece.source;
    if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0 ||
        face.bitsPerPixel() != 32 || (skin.bitsPerPixel() != 24 && skin.bitsPerPixel() != 32)) {
        return;
    }
    const int skinBytes = skin.bitsPerPixel() / 8;
    for (int dy = 0; dy < dest.height; ++dy) {
        const int y = dest.y + dy;
        const int sy = source.y + StretchSourceIndex(dy, dest.height, source.height);
        if (y < 0 || y >= face.height() || sy < 0 || sy >= skin.height()) {
            continue;
        }
        const int skinRow = skin.bottomUp() ? skin.height() - 1 - sy : sy;
        const int faceRow = face.bottomUp() ? face.height() - 1 - y : y;
        const std::uint8_t* from = skin.bits() + skinRow * skin.stride();
        std::uint8_t* to = face.bits() + faceRow * face.stride();
        for (int dx = 0; dx < dest.width; ++dx) {
            const int x = dest.x + dx;
            const int sx = source.x + StretchSourceIndex(dx, dest.width, source.width);
            if (x < 0 || x >= face.width() || sx < 0 || sx >= skin.width()) {
                continue;
            }
            const std::uint8_t* p = from + sx * skinBytes;
            std::uint8_t* q = to + x * 4;
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            q[3] = 0;
        }
    }
}

}  // namespace

bool RegisterCommandClass() {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = 0;  // a double click is a second press, as the Qt button takes it
        windowClass.lpfnWndProc = &Command::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        windowClass.hbrBackground = nullptr;
        windowClass.lpszClassName = kCommandClassName;
        return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

Command::Command(HWND parent, int id, const RECT& place, std::string caption, const UiFont& font)
    : caption_(std::move(caption)), font_(CreateUiFont(font)) {
    RegisterCommandClass();
    hwnd_ = CreateWindowExA(
        0, kCommandClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, place.left, place.top,
        place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), this);
    if (hwnd_ != nullptr) {
        SetUiWindowText(hwnd_, caption_);
        // A button placed on a form is loaded from a set without keys: the defaults (enabled).
        machine_.ReadProperties(LoadedFlags{});
        machine_.UserControl_Resize();
    }
}

Command::~Command() {
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kPollTimerId);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

LRESULT CALLBACK Command::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Command*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Command*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

bool Command::FocusFromOutside(HWND other) const {
    return other == nullptr || GetAncestor(other, GA_ROOT) != GetAncestor(hwnd_, GA_ROOT);
}

LRESULT Command::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            // A press takes the focus first, and the release comes here wherever it happens.
            if (GetFocus() != hwnd_) {
                SetFocus(hwnd_);
            }
            SetCapture(hwnd_);
            machine_.UserControl_MouseDown(ButtonCodeOf(message));
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const bool anyHeld = (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
            if (!anyHeld && GetCapture() == hwnd_) {
                ReleaseCapture();
            }
            // The last step may destroy this control (a click that closes the dialog).
            machine_.UserControl_MouseUp(ButtonCodeOf(message));
            return 0;
        }
        case WM_MOUSEMOVE:
            machine_.UserControl_MouseMove();
            return 0;
        case WM_SETFOCUS:
            // Windows gives the focus back to this control whenever its window is activated
            // again; that is no focus change among the dialog's controls, so the button keeps
            // the look it had (as a pointer that left meanwhile is seen by the poll).
            if (!FocusFromOutside(reinterpret_cast<HWND>(wParam))) {
                machine_.UserControl_GotFocus();
            }
            return 0;
        case WM_KILLFOCUS:
            if (!FocusFromOutside(reinterpret_cast<HWND>(wParam))) {
                machine_.UserControl_LostFocus();
            }
            return 0;
        case WM_SIZE:
            machine_.UserControl_Resize();
            return 0;
        case WM_TIMER:
            if (wParam == kPollTimerId) {
                machine_.TmrMouse_Timer();
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            if (machine_.Opaque() && !face_.empty()) {
                BitBlt(dc, 0, 0, face_.width(), face_.height(), face_.dc(), 0, 0, SRCCOPY);
            }
            // The caption goes over the face when shown, so its look can change on its own.
            DrawCaption(dc, captionPlace_);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

void Command::PaintSkin(CommandSkin skin, bool gradientReversed) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0) {
        return;
    }
    if (face_.width() != width || face_.height() != height) {
        face_ = Surface(width, height);
        if (face_.empty()) {
            return;
        }
    }
    // The caption's height as the label keeps it, in twips.
    const FacePlan plan = PlanFace(width, height, gradientReversed, kCaptionHeightTwips);

    PatBlt(face_.dc(), 0, 0, width, height, BLACKNESS);
    static_assert(sizeof(TRIVERTEX) == sizeof(GradientVertex));
    static_assert(sizeof(GRADIENT_RECT) == sizeof(GradientSpan));
    auto vertices = plan.gradient.vertices;
    auto span = plan.gradient.span;
    GradientFill(face_.dc(), reinterpret_cast<TRIVERTEX*>(vertices.data()),
                 static_cast<ULONG>(vertices.size()), &span, 1, GRADIENT_FILL_RECT_V);

    const Surface& image = SkinSurfaces()[static_cast<std::size_t>(skin)];
    if (plan.pieces && !image.empty()) {
        GdiFlush();
        for (const PixelPiece& piece : *plan.pieces) {
            StretchPiece(face_, piece, image);
        }
    }
    const Rect caption = ToPixels(plan.caption);
    captionPlace_ =
        RECT{caption.x, caption.y, caption.x + caption.width, caption.y + caption.height};
    GdiFlush();
    lastSkin_ = skin;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Command::DrawCaption(HDC dc, const RECT& place) {
    RECT rect = place;
    HGDIOBJ previous = font_ != nullptr ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, captionEnabled_ ? captionColour_ : kGreyedText);
    DrawUiText(dc, caption_, rect, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
}

void Command::ShowCaptionEnabled(bool enabled) {
    captionEnabled_ = enabled;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Command::ApplyCaptionColour(const ColourValue& colour) {
    captionColour_ = colour.system ? GetSysColor(colour.systemIndex)
                                   : RGB(colour.rgb.red, colour.rgb.green, colour.rgb.blue);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Command::ApplyBodyStyle(bool) {
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Command::StartPollTimer(int intervalMs) {
    SetTimer(hwnd_, kPollTimerId, static_cast<UINT>(intervalMs), nullptr);
}

bool Command::PointerOverControl() {
    POINT cursor{};
    if (!GetCursorPos(&cursor)) {
        return false;
    }
    // The caption is drawn by the control, so over it is over the control's own window.
    return WindowFromPoint(cursor) == hwnd_;
}

void Command::NotifyPropertyChanged(std::string_view) {
    // The dialog keeps no saved set of its buttons' properties.
}

void Command::RaiseClick() {
    if (onClick_) {
        onClick_();
    }
}

}  // namespace quillmere::win32
