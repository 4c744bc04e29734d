// The CD player over a drive that takes its time, as a physical one does: opening (spin-up and
// table) and sector reads block until the test lets them go. The host's thread must never wait
// for them, and the answers must stay those of a drive that is not ready and then is.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "cd_drive_player.h"
#include "mci_interpreter.h"
#include "music_fakes.h"
#include "test_support.h"
#include "worker_thread.h"

namespace {

using namespace std::chrono_literals;
using quillmere::AudioOutput;
using quillmere::CdDrive;
using quillmere::CdToc;
using quillmere::DriveCdPlayer;

// A drive whose opening and reads wait until let go.
struct SlowDriveControl {
    std::mutex mutex;
    std::condition_variable wake;
    bool openMayEnd = false;
    bool readsMayEnd = false;
    int readsStarted = 0;
    bool driveGone = false;

    void Let(bool SlowDriveControl::*what) {
        std::lock_guard lock(mutex);
        this->*what = true;
        wake.notify_all();
    }
    void WaitFor(bool SlowDriveControl::*what) {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return this->*what; });
    }
    int ReadsStarted() {
        std::lock_guard lock(mutex);
        return readsStarted;
    }
    bool DriveGone() {
        std::lock_guard lock(mutex);
        return driveGone;
    }
};

class SlowDrive : public CdDrive {
  public:
    explicit SlowDrive(std::shared_ptr<SlowDriveControl> control) : control_(std::move(control)) {}
    ~SlowDrive() override {
        std::lock_guard lock(control_->mutex);
        control_->driveGone = true;
    }
    CdToc ReadToc() override { return musictest::EvenDisc(3, 300); }
    bool ReadAudio(std::int32_t, std::int32_t, std::int16_t*) override {
        {
            std::lock_guard lock(control_->mutex);
            ++control_->readsStarted;
        }
        control_->WaitFor(&SlowDriveControl::readsMayEnd);
        return true;
    }

  private:
    std::shared_ptr<SlowDriveControl> control_;
};

quillmere::CdDriveOpener SlowOpener(const std::shared_ptr<SlowDriveControl>& control) {
    return [control]() -> std::unique_ptr<CdDrive> {
        control->WaitFor(&SlowDriveControl::openMayEnd);
        return std::make_unique<SlowDrive>(control);
    };
}

class SlowDriveBackend : public musictest::FakeBackend {
  public:
    explicit SlowDriveBackend(std::shared_ptr<SlowDriveControl> control)
        : control_(std::move(control)) {}
    std::unique_ptr<quillmere::CdPlayer> OpenCd(std::int32_t& error) override {
        if (!output.Acquire()) {
            error = 266;
            return nullptr;
        }
        return std::make_unique<DriveCdPlayer>(output, SlowOpener(control_));
    }
    AudioOutput output;

  private:
    std::shared_ptr<SlowDriveControl> control_;
};

class SlowCdDrive : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }

    std::string Answer(quillmere::MciInterpreter& interpreter, const std::string& command) {
        char answer[64] = {};
        const std::int32_t code = interpreter.Send(command, answer, sizeof answer);
        return code == 0 ? answer : "error " + std::to_string(code);
    }

    std::shared_ptr<SlowDriveControl> control = std::make_shared<SlowDriveControl>();
};

TEST_F(SlowCdDrive, OpensWithoutWaitingAndIsNotReadyUntilItIs) {
    SlowDriveBackend backend(control);
    quillmere::MciInterpreter interpreter(backend);
    ASSERT_EQ(interpreter.Send("open cdaudio", nullptr, 0), 0);  // returns while the drive spins
    ASSERT_EQ(interpreter.Send("set cdaudio time format tmsf", nullptr, 0), 0);
    EXPECT_EQ(Answer(interpreter, "status cdaudio mode"), "not ready");
    EXPECT_EQ(Answer(interpreter, "status cdaudio current track"), "0");
    EXPECT_EQ(Answer(interpreter, "play cdaudio"), "error 276");

    control->Let(&SlowDriveControl::openMayEnd);
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return Answer(interpreter, "status cdaudio mode") == "stopped"; }, 10s));
    EXPECT_EQ(Answer(interpreter, "status cdaudio number of tracks"), "3");
    EXPECT_EQ(Answer(interpreter, "status cdaudio position track 2"), "02:00:00:00");
    EXPECT_EQ(Answer(interpreter, "play cdaudio from 2"), "");
    EXPECT_EQ(Answer(interpreter, "status cdaudio mode"), "playing");
    control->Let(&SlowDriveControl::readsMayEnd);
}

TEST_F(SlowCdDrive, ClosingDoesNotWaitForTheDrive) {
    struct Case {
        const char* what;
        bool openEnds;  // else closed while still opening
    };
    for (const Case& c : {Case{"while opening", false}, Case{"during a sector read", true}}) {
        SCOPED_TRACE(c.what);
        control = std::make_shared<SlowDriveControl>();
        AudioOutput output;
        ASSERT_TRUE(output.Acquire());
        auto player = std::make_unique<DriveCdPlayer>(output, SlowOpener(control));
        if (c.openEnds) {
            control->Let(&SlowDriveControl::openMayEnd);
            ASSERT_TRUE(testsupport::WaitUntil([&] { return player->Toc() != nullptr; }, 10s));
            ASSERT_EQ(player->Play(0, 900), 0);
            ASSERT_TRUE(testsupport::WaitUntil([&] { return control->ReadsStarted() > 0; }, 10s));
        }
        auto closing = std::async(std::launch::async, [&] { player.reset(); });
        EXPECT_EQ(closing.wait_for(10s), std::future_status::ready)
            << "closing waited for the drive";
        EXPECT_FALSE(output.IsOpen());
        closing.wait();
        EXPECT_EQ(quillmere::WorkerThread::LeftRunning(), 1u) << "the reader was not kept";
        // Let the drive go: the reader left behind ends by itself, closes it and is joined.
        control->Let(&SlowDriveControl::openMayEnd);
        control->Let(&SlowDriveControl::readsMayEnd);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return control->DriveGone(); }, 10s));
        EXPECT_TRUE(testsupport::WaitUntil(
            [] { return quillmere::WorkerThread::LeftRunning() == 0; }, 10s));
    }
}

}  // namespace
