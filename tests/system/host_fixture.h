// Runs the real host program (and, where the test wants it, the real renderer) under a private
// Xvfb, with home, settings and texture folder in a fresh temporary folder.
#pragma once

// gtest first: Xlib's macros (None, Bool) clash with its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"
#include "x11_test_support.h"

namespace hosttest {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::TempDir;
using testsupport::WaitUntil;

inline constexpr const char* kRendererTitle = "Tormalune_VC";
inline constexpr const char* kSaverTitle = "Tormalune_Main";

inline std::string BinDir() {
    return QUILLMERE_BIN_DIR;
}

// The fields of a BMP file's headers that the renderer relies on.
struct BmpHeader {
    std::uint32_t fileSize = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
};

std::optional<BmpHeader> ReadBmpHeader(const std::vector<std::uint8_t>& bytes);

// The whole file; empty when it cannot be read.
std::string ReadText(const std::string& path);

struct Ran {
    std::optional<int> exitCode;
    std::string out;
    std::string errors;
};

// Runs a command to its end, with its output and errors in files of the folder.
Ran RunToEnd(const std::vector<std::string>& command, const std::string& folder,
             std::map<std::string, std::string> env = {});

// Installs from the build folder write its install_manifest_quillmere.txt, the package's too:
// the tests that install hold this lock from their install to their last use of the manifest.
class InstallLock {
  public:
    InstallLock();
    ~InstallLock();
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

  private:
    int fd_;
};

// The environment of one test's programs: its display and its own home.
class HostEnvironment {
  public:
    explicit HostEnvironment(std::string display);
    const std::string& home() const { return home_.path(); }
    std::string CacheFolder() const { return home_ / "cache"; }
    std::string ConfigFolder() const { return home_ / "config"; }
    std::string TextureFolder() const { return home_ / "cache/q_vorn"; }
    std::string TexturePath(int n) const {
        return TextureFolder() + "/Tormalune" + std::to_string(n) + ".bmp";
    }
    std::map<std::string, std::string> Variables() const;

  private:
    TempDir home_;
    std::string display_;
};

class HostSystemTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a server with extra Xvfb arguments, or another screen, instead of the plain one of
    // SetUp.
    void RestartServer(const std::vector<std::string>& extraArgs,
                       const std::string& screen = "640x480x16");

    Display* x() const { return client_->get(); }
    const std::string& display() const { return server_->display(); }

    // Quillmere.scr from folder (the build's bin folder by default) with the given arguments.
    std::unique_ptr<ChildProcess> StartHost(const std::vector<std::string>& args,
                                            const HostEnvironment& env,
                                            const std::string& folder = BinDir());
    // A folder holding a copy of Quillmere.scr and no renderer.
    std::string HostWithoutRenderer();

    Window WaitForWindow(const std::string& title, std::chrono::milliseconds deadline = 20s);
    // Waits until no window has the title. The server removes a client's windows when it notices
    // the client has gone, which can be after the process's exit status is known.
    bool WindowGone(const std::string& title);
    // The renderers running on this test's display. The host starts them detached, so they are
    // found by their program and display.
    std::vector<pid_t> RendererPids();
    // Ends every renderer running on this test's display.
    void EndRenderers();
    // Holds Escape down until the condition holds, as a user would.
    bool HoldEscapeUntil(const std::function<bool()>& condition);

    // The screen's pixel value for a colour (a TrueColor visual).
    unsigned long PixelOf(int r, int g, int b) const;
    // A window of this test's own client.
    Window MakeWindow(int width, int height, bool map, unsigned long background,
                      const std::string& title = "");

    // First, so that it goes last: the server may keep files in it.
    TempDir scratch_;
    std::unique_ptr<testsupport::XvfbServer> server_;
    std::unique_ptr<testsupport::XClient> client_;
    std::unique_ptr<HostEnvironment> env_;
};

}  // namespace hosttest
