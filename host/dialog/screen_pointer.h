// The application-wide mouse pointer: one setting for every window of the program, as opposed to
// the pointer of a single control.
#pragma once

namespace quillmere {

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// Sets the application-wide pointer; kPointerDefault gives every control its own pointer back.
// Any other value than the two above counts as the default.
void SetScreenMousePointer(int pointer);

// The application-wide pointer now in force.
int ScreenMousePointer();

}  // namespace quillmere
