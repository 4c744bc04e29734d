// Named X selections as server-wide locks: whoever owns one holds it. The server decides between
// starts at the same instant, and drops the ownership with the owner's connection, however the
// process ends: nothing can be left stale.
#pragma once

#include <memory>
#include <string>

#include "x11_connection.h"

namespace quillmere::x11 {

class SelectionHold {
  public:
    // The selection, or nothing when another client already holds it.
    static std::unique_ptr<SelectionHold> Take(const X11Connection& connection,
                                               const std::string& name);
    SelectionHold(const X11Connection& connection, WindowId owner);
    ~SelectionHold();  // gives the selection up
    SelectionHold(const SelectionHold&) = delete;
    SelectionHold& operator=(const SelectionHold&) = delete;

  private:
    const X11Connection& connection_;
    WindowId owner_;
};

// Tells when a selection's owner lets it go: gives it up, or its window or connection ends.
class SelectionWatch {
  public:
    // Nothing when the server lacks the XFixes extension.
    static std::unique_ptr<SelectionWatch> Start(const X11Connection& connection,
                                                 const std::string& name);
    SelectionWatch(const X11Connection& connection, int eventBase, unsigned long selection);

    // Handles every event queued on the connection; true when the selection was let go since
    // the last call. Call it when the connection's socket is readable and after other requests.
    bool Released();

  private:
    const X11Connection& connection_;
    int eventBase_;
    unsigned long selection_;
};

}  // namespace quillmere::x11
