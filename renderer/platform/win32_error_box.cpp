#include "win32_error_box.h"

namespace quillmere::win32 {

void ShowErrorBox(HWND fallbackOwner, const std::string& text) {
    HWND owner = GetFocus();
    if (owner == nullptr) {
        owner = fallbackOwner;
    }
    MessageBoxA(owner, text.c_str(), "Error", MB_OK);
}

}  // namespace quillmere::win32
