#include "x11_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace quillmere::x11 {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t g_count = 0;
int g_pipe[2] = {-1, -1};

volatile sig_atomic_t g_emergencyArmed = 0;
int g_emergencyFd = -1;
std::array<std::uint8_t, 256> g_emergencyBytes{};
std::size_t g_emergencyLength = 0;

struct sigaction g_previous[kSignals.size()];
struct sigaction g_previousPipe;

void OnSignal(int) {
    const int savedErrno = errno;
    g_count = g_count + 1;
    if (g_count >= 2) {
        if (g_emergencyArmed != 0) {
            ssize_t ignored = write(g_emergencyFd, g_emergencyBytes.data(), g_emergencyLength);
            (void)ignored;
        }
        _exit(0);
    }
    const char byte = 1;
    ssize_t ignored = write(g_pipe[1], &byte, 1);
    (void)ignored;
    errno = savedErrno;
}

}  // namespace

SignalWatch::SignalWatch() {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    // One handler at a time: the count must not be raced by a nested signal.
    for (int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_previousPipe);
    ok_ = true;
}

SignalWatch::~SignalWatch() {
    if (!ok_) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
    DisarmEmergencyWrite();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

int SignalWatch::wakeFd() const {
    return g_pipe[0];
}

unsigned int SignalWatch::count() const {
    return static_cast<unsigned int>(g_count);
}

void SignalWatch::DrainWake() {
    char buffer[64];
    while (g_pipe[0] >= 0 && read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}

void SignalWatch::ArmEmergencyWrite(int fd, std::span<const std::uint8_t> bytes) {
    g_emergencyArmed = 0;
    if (fd < 0 || bytes.size() > g_emergencyBytes.size()) {
        return;
    }
    std::copy(bytes.begin(), bytes.end(), g_emergencyBytes.begin());
    g_emergencyLength = bytes.size();
    g_emergencyFd = fd;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_emergencyArmed = 1;
}

void SignalWatch::DisarmEmergencyWrite() {
    g_emergencyArmed = 0;
}

}  // namespace quillmere::x11
