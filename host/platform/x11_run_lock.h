// One full-screen run per X screen, taken atomically: the owner of a selection named after the
// screen. The X server is what the runs share, so it decides, whatever display name, machine or
// user each start came with, and it drops the ownership as soon as the owner's connection ends,
// even when the process was killed outright: nothing can be left stale.
#pragma once

#include <memory>

#include "x11_connection.h"
#include "x11_selection.h"

namespace quillmere::x11 {

using RunLock = SelectionHold;

// The lock, or nothing when another run already holds it.
std::unique_ptr<RunLock> TakeRunLock(const X11Connection& connection);

}  // namespace quillmere::x11
