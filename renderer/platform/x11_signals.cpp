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

constexpr std::array<int, 3> kTermination{SIGTERM, SIGINT, SIGHUP};
constexpr std::array<int, 6> kFatal{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};

volatile sig_atomic_t g_count = 0;
int g_pipe[2] = {-1, -1};

volatile sig_atomic_t g_emergencyArmed = 0;
int g_emergencyFd = -1;
std::array<std::uint8_t, 256> g_emergencyBytes{};
std::size_t g_emergencyLength = 0;

struct sigaction g_previousFatal[kFatal.size()];
struct sigaction g_previousPipe;

// A stack overflow is a SIGSEGV too; its handler needs a stack of its own.
alignas(16) std::array<std::uint8_t, 64 * 1024> g_alternateStack;
stack_t g_previousStack{};
bool g_stackInstalled = false;

void OnTermination(int) {
    const int savedErrno = errno;
    g_count = g_count + 1;
    if (g_count >= 2) {
        SignalWatch::WriteEmergencyRestore();
        _exit(0);
    }
    const char byte = 1;
    ssize_t ignored = write(g_pipe[1], &byte, 1);
    (void)ignored;
    errno = savedErrno;
}

// Once the watch is gone the run is over and nothing is left to restore (the watch disarms the
// ready-made requests first), but the process has yet to end. A termination signal then ends it
// at once with the code a termination signal always gives, not by the signal's default action.
void OnTerminationAfterWatch(int) {
    _exit(0);
}

void OnFatal(int signal) {
    SignalWatch::WriteEmergencyRestore();
    // The handler was reset to the default on entry (SA_RESETHAND) and the signal is not
    // blocked (SA_NODEFER): this ends the process with the signal, and its core.
    raise(signal);
}

}  // namespace

SignalWatch::SignalWatch() {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnTermination;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    // One handler at a time: the count must not be raced by a nested signal.
    for (int signal : kTermination) {
        sigaddset(&action.sa_mask, signal);
    }
    for (int signal : kTermination) {
        sigaction(signal, &action, nullptr);
    }

    stack_t stack{};
    stack.ss_sp = g_alternateStack.data();
    stack.ss_size = g_alternateStack.size();
    g_stackInstalled = sigaltstack(&stack, &g_previousStack) == 0;
    struct sigaction fatal {};
    fatal.sa_handler = OnFatal;
    fatal.sa_flags = SA_RESETHAND | SA_NODEFER | (g_stackInstalled ? SA_ONSTACK : 0);
    sigemptyset(&fatal.sa_mask);
    for (std::size_t i = 0; i < kFatal.size(); ++i) {
        sigaction(kFatal[i], &fatal, &g_previousFatal[i]);
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
    DisarmEmergencyWrite();
    struct sigaction ending {};
    ending.sa_handler = OnTerminationAfterWatch;
    sigemptyset(&ending.sa_mask);
    for (int signal : kTermination) {
        sigaction(signal, &ending, nullptr);
    }
    for (std::size_t i = 0; i < kFatal.size(); ++i) {
        sigaction(kFatal[i], &g_previousFatal[i], nullptr);
    }
    if (g_stackInstalled) {
        sigaltstack(&g_previousStack, nullptr);
        g_stackInstalled = false;
    }
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
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

void SignalWatch::WriteEmergencyRestore() {
    if (g_emergencyArmed == 0) {
        return;
    }
    // Once: a fatal signal inside the I/O error handler must not send the requests twice.
    g_emergencyArmed = 0;
    std::size_t written = 0;
    while (written < g_emergencyLength) {
        const ssize_t n =
            write(g_emergencyFd, g_emergencyBytes.data() + written, g_emergencyLength - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace quillmere::x11
