// A thread that its owner can leave behind. Closing a player must not wait for a read stuck on a
// slow drive (spin-up, retries on a scratched disc) or a slow disk, so the owner asks the thread
// to stop, waits a moment, and otherwise hands it to the process's keeper of left threads, which
// joins it once it has ended. The body must therefore keep everything it uses alive itself (a
// shared state it holds), never its owner.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace quillmere {

class WorkerThread {
  public:
    // How long Leave waits by default: any read from a file or a ready drive ends well within it.
    static constexpr std::chrono::milliseconds kPatience{25};

    WorkerThread() = default;
    explicit WorkerThread(std::function<void(std::stop_token)> body);
    ~WorkerThread() { Leave(); }
    WorkerThread(WorkerThread&&) = default;
    WorkerThread& operator=(WorkerThread&& other);

    // Asks the body to stop and waits up to patience for it to return; a body still busy after
    // that goes on in the keeper's hands and is joined there when it ends.
    void Leave(std::chrono::milliseconds patience = kPatience);

    // Threads left behind that have not ended yet (those that ended are joined first).
    static std::size_t LeftRunning();

    struct Ended {
        std::mutex mutex;
        std::condition_variable wake;
        bool ended = false;
    };

  private:
    std::shared_ptr<Ended> ended_;
    std::jthread thread_;
};

}  // namespace quillmere
