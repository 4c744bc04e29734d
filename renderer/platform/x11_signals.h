// Termination signals for the renderer. The handler only counts and wakes the message pump
// through a pipe; the pump then closes the window the normal way, so the display mode is
// restored and the process exits with code 0. A second signal ends the process at once, after a
// best-effort restore that uses nothing but write(2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillmere::x11 {

class SignalWatch {
  public:
    // Handles SIGTERM, SIGINT and SIGHUP; SIGPIPE is ignored so a dying server ends the process
    // through the X I/O error handler rather than a signal.
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    bool ok() const { return ok_; }
    // Readable after a signal.
    int wakeFd() const;
    // Signals received so far.
    unsigned int count() const;
    void DrainWake();

    // Bytes written to fd (ready-made X requests) if a second signal ends the process at once.
    static void ArmEmergencyWrite(int fd, std::span<const std::uint8_t> bytes);
    static void DisarmEmergencyWrite();

  private:
    bool ok_ = false;
};

}  // namespace quillmere::x11
