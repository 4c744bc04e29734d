// The temporary display mode on Windows: ChangeDisplaySettingsA with CDS_FULLSCREEN, so that
// Windows itself puts the user's mode back should the program end without doing so.
#pragma once

#include <atomic>

#include "frame_pacer.h"

namespace quillmere::win32 {

class Win32DisplayMode {
  public:
    // width x height at bits per pixel; where the display has no such depth (Windows 8 and later
    // offer no 16-bit modes), width x height at the depth it runs at. True once it runs so.
    bool Enter(int width, int height, int bits);
    // Back to the user's mode (a null mode, flags 0), only when the mode is ours; where the
    // display does not then show the mode it had before the switch (Wine now and then keeps the
    // switched one), that mode is set again, for the session only. Safe more than once.
    void Restore();
    bool switched() const { return switched_.load(); }

    // The refresh period the display runs at now; 60 Hz where it does not say.
    static FramePacer::Duration CurrentRefreshPeriod();

  private:
    std::atomic<bool> switched_{false};
    unsigned long widthBefore_ = 0;
    unsigned long heightBefore_ = 0;
    unsigned long bitsBefore_ = 0;
};

}  // namespace quillmere::win32
