// Signals for the renderer. Termination signals (SIGTERM, SIGINT, SIGHUP) are only counted and
// wake the message pump through a pipe; the pump then closes the window the normal way, so the
// display mode is restored and the process exits with code 0. A second termination signal ends
// the process at once. Fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT) end it
// as they would anyway, with their core, but first put the display mode back. Where the process
// ends abruptly, the restore is ready-made X requests written with nothing but write(2) to a
// connection of their own. After the watch has gone, a termination signal still ends the process
// with code 0, at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillmere::x11 {

class SignalWatch {
  public:
    // Installs the handlers; SIGPIPE is ignored so a dying server ends the process through the
    // X I/O error handler rather than a signal. The end puts back the fatal signals' and
    // SIGPIPE's handlers; the termination signals keep one that ends the process with code 0.
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    bool ok() const { return ok_; }
    // Readable after a termination signal.
    int wakeFd() const;
    // Termination signals received so far.
    unsigned int count() const;
    void DrainWake();

    // Bytes (ready-made X requests) written to fd when the process ends abruptly: a second
    // termination signal, a fatal signal, or a lost X connection.
    static void ArmEmergencyWrite(int fd, std::span<const std::uint8_t> bytes);
    static void DisarmEmergencyWrite();
    // Writes the armed bytes, if any, once. Async-signal-safe.
    static void WriteEmergencyRestore();

  private:
    bool ok_ = false;
};

}  // namespace quillmere::x11
