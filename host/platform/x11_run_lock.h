// One full-screen run per X screen, taken atomically: the owner of a selection named after the
// screen. The X server is what the runs share, so it decides, whatever display name, machine or
// user each start came with, and it drops the ownership as soon as the owner's connection ends,
// even when the process was killed outright: nothing can be left stale.
#pragma once

#include <memory>

#include "x11_connection.h"

namespace quillmere::x11 {

class RunLock {
  public:
    // The lock, or nothing when another client already holds it.
    static std::unique_ptr<RunLock> Take(const X11Connection& connection);
    RunLock(const X11Connection& connection, WindowId owner);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

  private:
    const X11Connection& connection_;
    WindowId owner_;
};

}  // namespace quillmere::x11
