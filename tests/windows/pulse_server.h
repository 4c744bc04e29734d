// A PulseAudio server of a test's own, which Wine's sound reaches through PULSE_SERVER, and a
// recorder of its null sink's monitor: what a Windows program plays, heard.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace winetest {

using namespace std::chrono_literals;

// A PulseAudio server of the test's own with one null sink, "cap".
class PulseServer {
  public:
    PulseServer() {
        const std::string socket = dir_ / "native";
        server_ = std::make_unique<testsupport::ChildProcess>(
            "/usr/bin/pulseaudio",
            std::vector<std::string>{
                "-n", "--daemonize=no", "--exit-idle-time=-1", "-L",
                "module-native-protocol-unix socket=" + socket + " auth-anonymous=1", "-L",
                "module-null-sink sink_name=cap"},
            std::map<std::string, std::string>{{"HOME", dir_.path()},
                                               {"XDG_RUNTIME_DIR", dir_.path()}},
            dir_ / "pulseaudio.log");
        address_ = "unix:" + socket;
        ok_ = testsupport::WaitUntil([&] { return testsupport::PathExists(socket); }, 30s);
    }
    bool ok() const { return ok_; }
    const std::string& address() const { return address_; }

    // Records the sink's monitor, 44.1 kHz 16-bit stereo, into a file until the object goes.
    std::unique_ptr<testsupport::ChildProcess> Record(const std::string& file) const {
        return std::make_unique<testsupport::ChildProcess>(
            "/usr/bin/parec",
            std::vector<std::string>{"-d", "cap.monitor", "--raw", "--format=s16le", "--rate=44100",
                                     "--channels=2", file},
            std::map<std::string, std::string>{{"PULSE_SERVER", address_}});
    }

  private:
    testsupport::TempDir dir_;
    std::unique_ptr<testsupport::ChildProcess> server_;
    std::string address_;
    bool ok_ = false;
};

}  // namespace winetest
