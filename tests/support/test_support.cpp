#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = "/tmp/quillmere-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Make everything writable again first: tests take write bits away.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void WriteFile(const std::string& path, const std::string& text) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool PathExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::symlink_status(path, ignored).type() !=
           std::filesystem::file_type::not_found;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (true) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env,
                           const std::string& stderrPath) {
    // Build argv and envp before forking: nothing but async-signal-safe calls after it.
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry(*e);
        auto eq = entry.find('=');
        if (eq != std::string::npos) {
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    for (const auto& [key, value] : env) {
        if (value.empty()) {
            merged.erase(key);
        } else {
            merged[key] = value;
        }
    }
    std::vector<std::string> envStore;
    for (const auto& [key, value] : merged) {
        envStore.push_back(key + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& e : envStore) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    int errFd = -1;
    if (!stderrPath.empty()) {
        errFd = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    }
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        if (errFd >= 0) {
            dup2(errFd, 2);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (errFd >= 0) {
        close(errFd);
    }
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(pid_, SIGKILL);
        Wait(5s);
    }
}

bool ChildProcess::running() {
    if (status_) {
        return false;
    }
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return r == 0;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds deadline) {
    WaitUntil([this] { return !running(); }, deadline);
    return status_;
}

void ChildProcess::Signal(int signal) {
    if (running()) {
        kill(pid_, signal);
    }
}

namespace {

// The NUL-separated entries of /proc/<pid>/environ, with a NUL in front of the first.
std::string EnvironmentBlock(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    return '\0' + std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::vector<pid_t> ProcessesOnDisplay(const std::vector<std::string>& programs,
                                      const std::string& display) {
    namespace fs = std::filesystem;
    std::vector<pid_t> pids;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // A zombie has no program file left.
        const std::string program = fs::read_symlink(entry.path() / "exe", ignored).filename();
        if (ignored || std::find(programs.begin(), programs.end(), program) == programs.end()) {
            ignored.clear();
            continue;
        }
        const pid_t pid = std::stoi(name);
        const std::string value = EnvironmentValue(pid, "DISPLAY");
        if (value == display || value == display + ".0") {
            pids.push_back(pid);
        }
    }
    return pids;
}

std::string EnvironmentValue(pid_t pid, const std::string& name) {
    const std::string block = EnvironmentBlock(pid);
    const std::string key = '\0' + name + '=';
    const std::size_t at = block.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = at + key.size();
    return block.substr(start, block.find('\0', start) - start);
}

XvfbServer::XvfbServer(const std::string& screen, const std::vector<std::string>& extraArgs) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    // The write end must survive exec: clear its close-on-exec flag for the child only.
    int childFd = dup(fds[1]);
    std::vector<std::string> args{"-displayfd", std::to_string(childFd),
                                  "-screen",    "0",
                                  screen,       "-nolisten",
                                  "tcp",        "-noreset",
                                  "+extension", "RANDR"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    process_ = std::make_unique<ChildProcess>("/usr/bin/Xvfb", args);
    close(childFd);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end) {
        if (poll(&p, 1, 100) > 0) {
            char c;
            ssize_t n = read(fds[0], &c, 1);
            if (n <= 0 || c == '\n') {
                break;
            }
            number += c;
        }
    }
    close(fds[0]);
    if (number.empty()) {
        throw std::runtime_error("Xvfb did not start");
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (process_) {
        process_->Signal(SIGTERM);
        if (!process_->Wait(5s)) {
            process_->Signal(SIGKILL);
            process_->Wait(5s);
        }
    }
}

}  // namespace testsupport
