// The mouse cursor's display count, as the platform the host was first written for keeps it: the
// cursor counts as hidden while the count is below 0. There the count only hides the cursor over
// the windows of the program that keeps it, and the host shows none during a run, so here too it
// is a count and nothing more: the renderer hides the pointer over its own windows and covers, and
// its windowed form keeps the pointer over the desktop.
#pragma once

namespace quillmere {

class CursorDisplayCount {
  public:
    // Both return the new count.
    int Hide() { return --count_; }
    int Show() { return ++count_; }
    int count() const { return count_; }
    bool hidden() const { return count_ < 0; }

  private:
    int count_ = 0;
};

}  // namespace quillmere
