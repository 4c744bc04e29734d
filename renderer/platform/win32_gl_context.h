// WGL for the renderer's windows: the pixel format, the GL contexts, the buffer swap and frame
// pacing. The swap is the only pacing wherever it waits for the display; where it does not
// (no swap control, or a driver told to ignore it, as under Wine on a virtual X server), frames
// are held to the refresh rate here, as on X11.
#pragma once

#include <windows.h>

#include "frame_pacer.h"

namespace quillmere::win32 {

class WglContexts {
  public:
    WglContexts();
    ~WglContexts();
    WglContexts(const WglContexts&) = delete;
    WglContexts& operator=(const WglContexts&) = delete;

    // RGBA, double-buffered, drawn to a window with OpenGL: ChoosePixelFormat's closest to the
    // colour and depth bits, then SetPixelFormat.
    static bool SetPixelFormat(HDC dc, int colorBits, int depthBits);

    HGLRC Create(HDC dc);
    // Context null makes none current. A new current context starts pacing afresh at the given
    // refresh period.
    bool MakeCurrent(HDC dc, HGLRC context, FramePacer::Duration refresh);
    void Delete(HGLRC context);

    // Presents the frame, then waits for the next frame's start where the swap does not.
    void Swap(HDC dc);

    SwapPacing::Mode pacingMode() const { return pacing_.mode(); }

  private:
    bool EnableSwapControl(HDC dc);
    void SleepUntil(FramePacer::TimePoint deadline);

    SwapPacing pacing_;
    HGLRC current_ = nullptr;
    HANDLE timer_ = nullptr;
    bool finePeriod_ = false;  // timeBeginPeriod(1) is in force
};

}  // namespace quillmere::win32
