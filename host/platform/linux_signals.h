// Termination requests (SIGTERM, SIGINT, SIGHUP) turned into a readable pipe, so the host can end
// its run the same orderly way as when its window is closed.
#pragma once

#include <memory>

#include "unique_fd.h"

namespace quillmere::platform {

class TerminationPipe {
  public:
    // Installs the handlers; nothing when the pipe cannot be made.
    static std::unique_ptr<TerminationPipe> Open();
    ~TerminationPipe();
    TerminationPipe(const TerminationPipe&) = delete;
    TerminationPipe& operator=(const TerminationPipe&) = delete;

    // Readable once a request has arrived.
    int fd() const { return read_.get(); }
    void Drain();
    // True when a request has arrived that Drain has not taken yet.
    bool Pending() const;

    TerminationPipe(UniqueFd read, UniqueFd write);

  private:
    UniqueFd read_;
    UniqueFd write_;
};

}  // namespace quillmere::platform
