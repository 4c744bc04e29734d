#include "worker_thread.h"

#include <utility>
#include <vector>

namespace quillmere {

namespace {

bool HasEnded(WorkerThread::Ended& ended) {
    std::lock_guard lock(ended.mutex);
    return ended.ended;
}

// Owns every thread left behind until it has ended and been joined. Never destroyed, so a read
// still stuck when the process ends touches nothing that is gone.
class LeftThreads {
  public:
    void Keep(std::jthread thread, std::shared_ptr<WorkerThread::Ended> ended) {
        std::lock_guard lock(mutex_);
        JoinEnded();
        left_.push_back({std::move(thread), std::move(ended)});
    }

    std::size_t Running() {
        std::lock_guard lock(mutex_);
        JoinEnded();
        return left_.size();
    }

  private:
    struct Left {
        std::jthread thread;
        std::shared_ptr<WorkerThread::Ended> ended;
    };

    // A thread that has ended only unwinds its own state, so joining it takes no time.
    void JoinEnded() {
        std::erase_if(left_, [](Left& left) {
            if (!HasEnded(*left.ended)) {
                return false;
            }
            left.thread.join();
            return true;
        });
    }

    std::mutex mutex_;
    std::vector<Left> left_;
};

LeftThreads& Keeper() {
    static LeftThreads* const keeper = new LeftThreads;
    return *keeper;
}

// At exit the threads that have ended are joined; any still in a read end with the process.
struct JoinAtExit {
    ~JoinAtExit() { Keeper().Running(); }
} joinAtExit;

}  // namespace

WorkerThread::WorkerThread(std::function<void(std::stop_token)> body)
    : ended_(std::make_shared<Ended>()) {
    thread_ = std::jthread([ended = ended_, body = std::move(body)](std::stop_token stop) {
        body(stop);
        std::lock_guard lock(ended->mutex);
        ended->ended = true;
        ended->wake.notify_all();
    });
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) {
    Leave();
    ended_ = std::move(other.ended_);
    thread_ = std::move(other.thread_);
    return *this;
}

void WorkerThread::Leave(std::chrono::milliseconds patience) {
    if (!thread_.joinable()) {
        return;
    }
    thread_.request_stop();
    bool ended = false;
    {
        std::unique_lock lock(ended_->mutex);
        ended = ended_->wake.wait_for(lock, patience, [&] { return ended_->ended; });
    }
    if (ended) {
        thread_.join();
    } else {
        Keeper().Keep(std::move(thread_), std::move(ended_));
    }
    ended_.reset();
}

std::size_t WorkerThread::LeftRunning() {
    return Keeper().Running();
}

}  // namespace quillmere
