// Catches the X errors of one display while it lives instead of letting them end the process:
// windows of other programs can vanish at any moment. Errors of other displays go to the handler
// that was installed before.
#pragma once

#include <X11/Xlib.h>

namespace quillmere::x11 {

class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // True when a request made so far under this trap failed. Waits for the server's answers.
    bool Failed();

  private:
    static int Handle(Display* display, XErrorEvent* error);

    Display* display_;
    ErrorTrap* outer_;
    int (*previous_)(Display*, XErrorEvent*);
    bool failed_ = false;
};

}  // namespace quillmere::x11
