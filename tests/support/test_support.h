// Helpers shared by the test programs: temporary folders, files, waiting on conditions,
// child processes and a private Xvfb server.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);

// Polls the condition until it holds or the deadline passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s);

// A child process started with fork/exec. Ended (SIGKILL) on destruction if still running.
class ChildProcess {
  public:
    // env entries are added to (or replace those of) this process's environment; an entry with
    // an empty value removes the variable.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {},
                 const std::string& stderrPath = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the end; the exit code (128 + signal for a signal), or nothing on time-out.
    std::optional<int> Wait(std::chrono::milliseconds deadline = 20s);
    void Signal(int signal);

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// The running processes (zombies aside) whose program file is named one of programs and whose
// DISPLAY is display, or display with ".0" as XScreenSaver hands it to its hacks.
std::vector<pid_t> ProcessesOnDisplay(const std::vector<std::string>& programs,
                                      const std::string& display);
// The value of a variable in a process's environment; empty when it is unset or unreadable.
std::string EnvironmentValue(pid_t pid, const std::string& name);

// A private X server (Xvfb, 640 x 480 x 16 unless told otherwise) for system tests.
class XvfbServer {
  public:
    // extraArgs go on Xvfb's command line too (such as -fbdir to see the screen with its cursor).
    explicit XvfbServer(const std::string& screen = "640x480x16",
                        const std::vector<std::string>& extraArgs = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    const std::string& display() const { return display_; }  // ":N"

  private:
    std::unique_ptr<ChildProcess> process_;
    std::string display_;
};

}  // namespace testsupport
