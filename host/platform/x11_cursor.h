// The mouse cursor's display count: the cursor is hidden while the count is below 0, as on the
// platform the host was first written for. Hiding goes through XFixes on the root window, so it
// lasts as long as the connection does.
#pragma once

#include "x11_connection.h"

namespace quillmere::x11 {

class CursorDisplayCount {
  public:
    explicit CursorDisplayCount(const X11Connection& connection);
    CursorDisplayCount(const CursorDisplayCount&) = delete;
    CursorDisplayCount& operator=(const CursorDisplayCount&) = delete;

    // Both return the new count.
    int Hide();
    int Show();
    int count() const { return count_; }
    bool hidden() const { return hidden_; }

  private:
    void Apply();

    const X11Connection& connection_;
    bool haveXFixes_ = false;
    int count_ = 0;
    bool hidden_ = false;
};

}  // namespace quillmere::x11
