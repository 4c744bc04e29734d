// A thread that its owner can leave behind. Closing a player must not wait for a read stuck on a
// slow drive (spin-up, retries on a scratched disc) or a slow disk, so the owner asks the thread
// to stop, waits a moment, and otherwise lets it finish by itself. The body must therefore keep
// everything it uses alive itself (a shared state it holds), never its owner.
#pragma once

#include <chrono>
#include <condition_variable>
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
    explicit WorkerThread(std::function<void(std::stop_token)> body)
        : ended_(std::make_shared<Ended>()) {
        thread_ = std::jthread([ended = ended_, body = std::move(body)](std::stop_token stop) {
            body(stop);
            std::lock_guard lock(ended->mutex);
            ended->ended = true;
            ended->wake.notify_all();
        });
    }
    ~WorkerThread() { Leave(); }
    WorkerThread(WorkerThread&&) = default;
    WorkerThread& operator=(WorkerThread&& other) {
        Leave();
        ended_ = std::move(other.ended_);
        thread_ = std::move(other.thread_);
        return *this;
    }

    // Asks the body to stop and waits up to patience for it to return; a body still busy after
    // that is left running and ends on its own.
    void Leave(std::chrono::milliseconds patience = kPatience) {
        if (!thread_.joinable()) {
            return;
        }
        thread_.request_stop();
        std::unique_lock lock(ended_->mutex);
        if (ended_->wake.wait_for(lock, patience, [&] { return ended_->ended; })) {
            lock.unlock();
            thread_.join();
        } else {
            thread_.detach();
        }
    }

  private:
    struct Ended {
        std::mutex mutex;
        std::condition_variable wake;
        bool ended = false;
    };
    std::shared_ptr<Ended> ended_;
    std::jthread thread_;
};

}  // namespace quillmere
