#include "win32_tormalune_p.h"

#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "file_writing.h"
#include "program_folder.h"
#include "screen_pointer.h"
#include "win32_dialog_resources.h"

namespace quillmere::win32 {

namespace {

namespace layout = dialog_layout;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// The repeat box's list shows this many pixels of items below its field.
constexpr int kRepeatListHeight = 200;

RECT RectOf(const layout::TwipRect& place) {
    const layout::PixelRect r = layout::ToPixels(place);
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

COLORREF ColourOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void FillRectColour(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameRectColour(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A 32-bit picture with alpha drawn over what is there.
void DrawPicture(HDC dc, const Surface& picture, int x, int y) {
    if (picture.empty()) {
        return;
    }
    if (picture.bitsPerPixel() == 32) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, picture.width(), picture.height(), picture.dc(), 0, 0, picture.width(),
                   picture.height(), blend);
    } else {
        BitBlt(dc, x, y, picture.width(), picture.height(), picture.dc(), 0, 0, SRCCOPY);
    }
}

void DrawLabel(HDC dc, HFONT font, const RECT& rect, std::string_view text, COLORREF colour,
               UINT format) {
    RECT place = rect;
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawUiText(dc, text, place, format | DT_NOPREFIX);
    SelectObject(dc, previous);
}

Surface LoadPicture(int id, bool premultiply) {
    Surface picture = Surface::FromResource(id);
    if (premultiply && picture.bitsPerPixel() == 32) {
        picture.PremultiplyAlpha();
    }
    return picture;
}

// The address the web label opens: the manual installed beside the programs.
std::string ManualAddress() {
    return platform::ProgramFolder() + "\\manual\\index.html";
}

bool RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSEXA dialogClass{};
        dialogClass.cbSize = sizeof dialogClass;
        dialogClass.lpfnWndProc = &Tormalune_P::DialogProc;
        dialogClass.hInstance = GetModuleHandleA(nullptr);
        dialogClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        dialogClass.lpszClassName = kDialogClassName;
        dialogClass.hIcon =
            LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(QUILLMERE_DIALOG_ICON));
        WNDCLASSEXA panelClass = dialogClass;
        panelClass.lpfnWndProc = &Tormalune_P::PanelProc;
        panelClass.lpszClassName = kPanelClassName;
        panelClass.hIcon = nullptr;
        const auto ok = [](const WNDCLASSEXA& c) {
            return RegisterClassExA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        };
        return ok(dialogClass) && ok(panelClass);
    }();
    return registered;
}

Tormalune_P* SelfOf(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Tormalune_P*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace

Tormalune_P::Tormalune_P(SettingsRecord& settings, SettingsStore& store)
    : settings_(settings), store_(store), logic_(settings, *this, store) {}

Tormalune_P::~Tormalune_P() {
    Cmd_File.reset();
    Cmd_Set.reset();
    Cmd_Can.reset();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (HFONT font : {font_, underlined_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
}

LRESULT CALLBACK Tormalune_P::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Tormalune_P* self = SelfOf(hwnd, message, lParam);
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        self->hwnd_ = hwnd;
    }
    return self->HandleDialog(message, wParam, lParam);
}

LRESULT CALLBACK Tormalune_P::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Tormalune_P* self = SelfOf(hwnd, message, lParam);
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        self->panel_ = hwnd;
    }
    return self->HandlePanel(message, wParam, lParam);
}

bool Tormalune_P::Create(HWND owner) {
    if (!RegisterClasses()) {
        return false;
    }
    owner_ = owner;
    UiFont font = DialogFont();
    font_ = CreateUiFont(font);
    font.underline = true;
    underlined_ = CreateUiFont(font);
    hand_ = static_cast<HCURSOR>(LoadImageA(GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(QUILLMERE_HAND_CURSOR), IMAGE_CURSOR,
                                            0, 0, LR_DEFAULTSIZE));
    tile_ = LoadPicture(QUILLMERE_PANEL_TILE, false);
    markUnselected_ = LoadPicture(QUILLMERE_MARK_UNSELECTED, true);
    markSelected_ = LoadPicture(QUILLMERE_MARK_SELECTED, true);

    RECT outer{0, 0, layout::TwipsToPixels(layout::kClientWidth),
               layout::TwipsToPixels(layout::kClientHeight)};
    AdjustWindowRectEx(&outer, kDialogStyle, FALSE, kDialogExStyle);
    CreateWindowExA(kDialogExStyle, kDialogClassName, "", kDialogStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, owner,
                    nullptr, GetModuleHandleA(nullptr), this);
    if (hwnd_ == nullptr) {
        return false;
    }
    SetUiWindowText(hwnd_, layout::kDialogCaption);
    BuildControls();
    return true;
}

void Tormalune_P::BuildControls() {
    const RECT panel = RectOf(layout::Pic_C);
    CreateWindowExA(
        WS_EX_CONTROLPARENT, kPanelClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
        panel.left, panel.top, panel.right - panel.left, panel.bottom - panel.top, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdPanel)), GetModuleHandleA(nullptr), this);

    const RECT repeat = RectOf(layout::BGM_Repeat);
    repeatBox_ = CreateWindowExA(0, "COMBOBOX", "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                                 repeat.left, repeat.top, repeat.right - repeat.left,
                                 repeat.bottom - repeat.top + kRepeatListHeight, panel_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdRepeatBox)),
                                 GetModuleHandleA(nullptr), nullptr);
    SendMessageA(repeatBox_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // The field is as high as its place: the box's outer height less its frame.
    const int fieldHeight = (repeat.bottom - repeat.top) - 6;
    SendMessageA(repeatBox_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight);

    const UiFont font = DialogFont();
    Cmd_File = std::make_unique<Command>(panel_, kIdFileButton, RectOf(layout::Cmd_File),
                                         layout::kFileButtonCaption, font);
    Cmd_File->OnClick([this] { logic_.Cmd_File_Click(); });
    Cmd_Set = std::make_unique<Command>(hwnd_, kIdSetButton, RectOf(layout::Cmd_Set),
                                        layout::kSetCaption, font);
    Cmd_Set->OnClick([this] { logic_.Cmd_Set_Click(); });
    Cmd_Can = std::make_unique<Command>(hwnd_, kIdCancelButton, RectOf(layout::Cmd_Can),
                                        layout::kCancelCaption, font);
    Cmd_Can->OnClick([this] { logic_.Cmd_Can_Click(); });

    // Labels that size themselves keep only their place's left and top.
    for (int i = 0; i < 3; ++i) {
        kindLabelRects_[i] = LabelRect(layout::lbl_BGM[i], layout::kKindNames[i], font_);
    }
    webAddress_ = ManualAddress();
    addressRect_ = LabelRect(layout::lbl_URL, webAddress_, underlined_);
    // A long address ends before the buttons (DT_PATH_ELLIPSIS shortens it when drawn).
    addressRect_.right = std::min<LONG>(addressRect_.right, RectOf(layout::Cmd_Set).left - 8);
}

RECT Tormalune_P::LabelRect(const layout::TwipRect& place, std::string_view text,
                            HFONT font) const {
    RECT rect = RectOf(place);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT measured{0, 0, 0, 0};
    DrawUiText(dc, text, measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    rect.right = rect.left + measured.right;
    rect.bottom = rect.top + measured.bottom;
    return rect;
}

void Tormalune_P::PlaceDialog() {
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const long long t = kTwipsPerPixel;
    const layout::Point place = layout::DialogPlacement(
        GetSystemMetrics(SM_CXSCREEN) * t, GetSystemMetrics(SM_CYSCREEN) * t,
        (outer.right - outer.left) * t, (outer.bottom - outer.top) * t);
    SetWindowPos(hwnd_, nullptr, layout::TwipsToPixels(place.x), layout::TwipsToPixels(place.y), 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Tormalune_P::Form_Load() {
    PlaceDialog();
    for (Command* button : {Cmd_Can.get(), Cmd_Set.get(), Cmd_File.get()}) {
        button->Initialize();
    }
    Form_Resize();
    logic_.Form_Load();
    DrawPanel();

    POINT cursor{};
    animationPoint_ = GetCursorPos(&cursor) ? cursor : POINT{0, 0};
    RECT from{animationPoint_.x, animationPoint_.y, animationPoint_.x, animationPoint_.y};
    RECT to{};
    GetWindowRect(hwnd_, &to);
    DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
    SetScreenPointer(kPointerDefault);
}

void Tormalune_P::Form_Resize() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const std::vector<layout::Rgb> lines = layout::BackgroundLineColours(client.bottom);
    const int width = std::max<int>(client.right, 1);
    const int height = std::max<int>(client.bottom, 1);
    background_ = Surface(width, height);
    if (background_.empty()) {
        return;
    }
    HDC dc = background_.dc();
    FillRectColour(dc, RECT{0, 0, width, height}, ColourOf(layout::kDialogBackColour));
    HGDIOBJ previous = SelectObject(dc, GetStockObject(DC_PEN));
    for (int y = 0; y < static_cast<int>(lines.size()); ++y) {
        SetDCPenColor(dc, RGB(lines[y].red, lines[y].green, lines[y].blue));
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, width, y);
    }
    SelectObject(dc, previous);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Tormalune_P::DrawPanel() {
    RECT client{};
    GetClientRect(panel_, &client);
    if (panelFace_.width() != client.right || panelFace_.height() != client.bottom) {
        panelFace_ = Surface(client.right, client.bottom);
    }
    if (panelFace_.empty()) {
        return;
    }
    HDC dc = panelFace_.dc();
    FillRectColour(dc, client, ColourOf(layout::kPanelBackColour));
    // The tile is the hidden holder's whole surface: its picture on the dialog's colour.
    const RECT holder = RectOf(layout::Pic_Mbl);
    const int tileWidth = holder.right - holder.left;
    const int tileHeight = holder.bottom - holder.top;
    Surface tile(tileWidth, tileHeight);
    if (!tile.empty()) {
        FillRectColour(tile.dc(), RECT{0, 0, tileWidth, tileHeight},
                       ColourOf(layout::kDialogBackColour));
        if (!tile_.empty()) {
            BitBlt(tile.dc(), 0, 0, tile_.width(), tile_.height(), tile_.dc(), 0, 0, SRCCOPY);
        }
        for (const layout::Point& at :
             layout::TilePositions(tileWidth, tileHeight, client.right, client.bottom)) {
            BitBlt(dc, at.x, at.y, tileWidth, tileHeight, tile.dc(), 0, 0, SRCCOPY);
        }
    }
    FrameRectColour(dc, RectOf(layout::Shape3), kBlack);
    DrawLabel(dc, font_, RectOf(layout::lbl15), layout::kPanelHeading, kBlack,
              DT_CENTER | DT_TOP | DT_SINGLELINE);
    for (int i = 0; i < 3; ++i) {
        const RECT mark = RectOf(layout::Img_BGM[i]);
        DrawPicture(dc, marked_[i] ? markSelected_ : markUnselected_, mark.left, mark.top);
        DrawLabel(dc, font_, kindLabelRects_[i], layout::kKindNames[i], kBlack,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    }
    DrawLabel(dc, font_, LabelRect(layout::lbl14, layout::kRepeatCaption, font_),
              layout::kRepeatCaption, kBlack, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    const RECT name = RectOf(layout::lbl_Fname);
    FrameRectColour(dc, name, kBlack);
    RECT text{name.left + 2, name.top + 1, name.right - 2, name.bottom - 1};
    HGDIOBJ previous = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    // A path is the file system's bytes in the ANSI code page.
    DrawAnsiText(dc, fileName_, text,
                 DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, previous);
    FrameRectColour(dc, client, kBlack);
    GdiFlush();
    InvalidateRect(panel_, nullptr, FALSE);
}

void Tormalune_P::PaintDialog(HDC dc) {
    if (!background_.empty()) {
        BitBlt(dc, 0, 0, background_.width(), background_.height(), background_.dc(), 0, 0,
               SRCCOPY);
    }
    DrawLabel(dc, font_, LabelRect(layout::lbl7, layout::kCreditLine, font_), layout::kCreditLine,
              kWhite, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    RECT address = addressRect_;
    HGDIOBJ previous = SelectObject(dc, underlined_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    DrawAnsiText(dc, webAddress_, address,
                 DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    SelectObject(dc, previous);
}

int Tormalune_P::KindAt(POINT point) const {
    for (int i = 0; i < 3; ++i) {
        const RECT mark = RectOf(layout::Img_BGM[i]);
        if (PtInRect(&mark, point)) {
            return i;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (PtInRect(&kindLabelRects_[i], point)) {
            return i;
        }
    }
    return -1;
}

bool Tormalune_P::OverAddress(POINT clientPoint) const {
    return PtInRect(&addressRect_, clientPoint) != 0;
}

LRESULT Tormalune_P::HandlePanel(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const int kind = KindAt(point);
            if (kind < 0) {
                return 0;
            }
            const RECT mark = RectOf(layout::Img_BGM[kind]);
            if (PtInRect(&mark, point)) {
                logic_.Img_BGM_MouseDown(kind);
            } else {
                logic_.lbl_BGM_MouseDown(kind);
            }
            return 0;
        }
        case WM_SETCURSOR:
            if (screenPointer_ == kPointerHourglass) {
                SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
                return TRUE;
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(panel_, &paint);
            if (!panelFace_.empty()) {
                BitBlt(dc, 0, 0, panelFace_.width(), panelFace_.height(), panelFace_.dc(), 0, 0,
                       SRCCOPY);
            }
            EndPaint(panel_, &paint);
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        default:
            break;
    }
    return DefWindowProcA(panel_, message, wParam, lParam);
}

LRESULT Tormalune_P::HandleDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            PaintDialog(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_SIZE:
            Form_Resize();
            return 0;
        case WM_SETCURSOR: {
            if (screenPointer_ == kPointerHourglass) {
                SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
                return TRUE;
            }
            POINT cursor{};
            GetCursorPos(&cursor);
            ScreenToClient(hwnd_, &cursor);
            if (reinterpret_cast<HWND>(wParam) == hwnd_ && OverAddress(cursor) &&
                hand_ != nullptr) {
                SetCursor(hand_);
                return TRUE;
            }
            break;
        }
        case WM_LBUTTONUP: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (OverAddress(point)) {
                logic_.lbl_URL_Click();
            }
            return 0;
        }
        case WM_COMMAND:
            // Enter and Escape reach the dialog as IDOK and IDCANCEL: it has neither key.
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

int Tormalune_P::Run(HWND owner) {
    if (!Create(owner)) {
        return 0;
    }
    Form_Load();
    if (owner_ != nullptr) {
        EnableWindow(owner_, FALSE);
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    MSG message{};
    while (!closed_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (!closed_ && message.message == WM_QUIT) {
        // Someone asked the program to end: the dialog goes, and the request stays for the
        // caller's loop.
        Close();
        PostQuitMessage(static_cast<int>(message.wParam));
    }
    return 1;
}

void Tormalune_P::Close() {
    if (closed_) {
        return;
    }
    logic_.Form_Unload();
    closed_ = true;
    if (owner_ != nullptr) {
        // The owner is enabled again before the dialog goes, so it is activated in its place.
        EnableWindow(owner_, TRUE);
    }
    ShowWindow(hwnd_, SW_HIDE);
}

void Tormalune_P::EnableRepeatBox(bool enabled) {
    EnableWindow(repeatBox_, enabled ? TRUE : FALSE);
}

void Tormalune_P::EnableFileButton(bool enabled) {
    Cmd_File->SetEnabled(enabled);
}

void Tormalune_P::ShowMark(int kind, bool selected) {
    if (kind >= 0 && kind < 3) {
        marked_[kind] = selected;
        DrawPanel();
    }
}

void Tormalune_P::FillRepeatBox(const std::string& text, const std::vector<std::string>& items) {
    SendMessageA(repeatBox_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        // The numbers are ASCII, the same bytes in every code page.
        SendMessageA(repeatBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SetUiWindowText(repeatBox_, text);
}

std::string Tormalune_P::RepeatText() {
    return UiWindowText(repeatBox_);
}

void Tormalune_P::ShowFileName(const std::string& path) {
    fileName_ = path;
    DrawPanel();
}

std::optional<std::string> Tormalune_P::ChooseMusicFile(const MusicFileRequest& request) {
    // The filter: description, NUL, patterns, NUL, and the list's closing NUL.
    const std::string filterName = AnsiTextOf(request.filterName).value_or(request.filterName);
    std::string filter = filterName;
    filter.push_back('\0');
    filter += request.filterPattern;
    filter.push_back('\0');
    filter.push_back('\0');
    const std::string title = AnsiTextOf(request.title).value_or(request.title);
    std::string file(MAX_PATH, '\0');
    std::string fileTitle(MAX_PATH, '\0');

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrFileTitle = fileTitle.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    ofn.lpstrTitle = title.c_str();
    // Only a file that exists can be played; the process's current folder is left alone. A path
    // longer than the buffer makes the call fail (FNERR_BUFFERTOOSMALL) rather than be cut.
    ofn.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) {
        return std::nullopt;
    }
    file.resize(std::strlen(file.c_str()));
    if (file.empty()) {
        return std::nullopt;
    }
    return file;
}

void Tormalune_P::ReportStoreFailure(const std::string& settingsFile) {
    UiMessageBox(hwnd_, StoreFailureText(Utf8OfAnsi(settingsFile)), kStoreFailureTitle,
                 MB_OK | MB_ICONWARNING);
}

void Tormalune_P::CloseDialog() {
    Close();
}

void Tormalune_P::OpenWebAddress() {
    ShellExecuteA(hwnd_, "open", webAddress_.c_str(), "", "", SW_SHOWNORMAL);
}

void Tormalune_P::SetScreenPointer(int pointer) {
    screenPointer_ = pointer == kPointerHourglass ? kPointerHourglass : kPointerDefault;
    if (screenPointer_ == kPointerHourglass) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    } else {
        // Each window gives its own pointer back at the next move.
        POINT cursor{};
        GetCursorPos(&cursor);
        SetCursorPos(cursor.x, cursor.y);
    }
}

void Tormalune_P::AnimateClose() {
    RECT from{};
    GetWindowRect(hwnd_, &from);
    RECT to{animationPoint_.x, animationPoint_.y, animationPoint_.x, animationPoint_.y};
    DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
}

}  // namespace quillmere::win32
