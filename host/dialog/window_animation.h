// The zoom animation of the settings dialog: an outline rectangle that grows from the pointer's
// place into the window when it opens, and shrinks back into that place when it closes.
#pragma once

#include <chrono>
#include <cstdint>

class QRect;
class QWidget;

namespace quillmere {

inline constexpr std::chrono::milliseconds kWindowAnimationTime{150};

// Screen point of the pointer when the dialog was loaded: start and end of its animations.
extern std::int16_t AnimPointX;
extern std::int16_t AnimPointY;

// Draws an outline rectangle moving from one screen rectangle to the other over the given time.
// Returns when it is done; events are handled meanwhile. Nothing is drawn for a time of 0.
void AnimateRects(const QRect& from, const QRect& to, std::chrono::milliseconds time);

// From the zero-size rectangle at the animation point to the window's screen rectangle.
void AnimateWindowOpen(const QWidget& window,
                       std::chrono::milliseconds time = kWindowAnimationTime);

// From the window's screen rectangle back to the zero-size rectangle at the animation point.
void AnimateWindowClose(const QWidget& window,
                        std::chrono::milliseconds time = kWindowAnimationTime);

}  // namespace quillmere
