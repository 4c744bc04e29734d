// The bitmap reader's reports on Windows: a modal message box captioned "Error" with an OK
// button, owned by the window that has the keyboard focus.
#pragma once

#include <windows.h>

#include <string>

namespace quillmere::win32 {

// Returns once the user has closed the box. Without a focus window the box belongs to
// fallbackOwner: an unowned box would open under the topmost scene, out of sight, while the
// renderer waits for it.
void ShowErrorBox(HWND fallbackOwner, const std::string& text);

}  // namespace quillmere::win32
