#include "x11_cursor.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace quillmere::x11 {

CursorDisplayCount::CursorDisplayCount(const X11Connection& connection) : connection_(connection) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // Hiding the cursor needs XFixes 4.0; without it only the count is kept.
    haveXFixes_ = XFixesQueryExtension(connection_.display(), &eventBase, &errorBase) != 0 &&
                  XFixesQueryVersion(connection_.display(), &major, &minor) != 0 && major >= 4;
}

int CursorDisplayCount::Hide() {
    --count_;
    Apply();
    return count_;
}

int CursorDisplayCount::Show() {
    ++count_;
    Apply();
    return count_;
}

void CursorDisplayCount::Apply() {
    const bool wantHidden = count_ < 0;
    if (wantHidden == hidden_ || !haveXFixes_) {
        hidden_ = wantHidden;
        return;
    }
    // XFixes counts hides per client too; keep exactly one outstanding.
    if (wantHidden) {
        XFixesHideCursor(connection_.display(), connection_.root());
    } else {
        XFixesShowCursor(connection_.display(), connection_.root());
    }
    XFlush(connection_.display());
    hidden_ = wantHidden;
}

}  // namespace quillmere::x11
