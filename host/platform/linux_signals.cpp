#include "linux_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace quillmere::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t g_writeFd = -1;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (g_writeFd >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(g_writeFd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

TerminationPipe::TerminationPipe(UniqueFd read, UniqueFd write)
    : read_(std::move(read)), write_(std::move(write)) {}

std::unique_ptr<TerminationPipe> TerminationPipe::Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return nullptr;
    }
    auto pipe = std::make_unique<TerminationPipe>(UniqueFd(fds[0]), UniqueFd(fds[1]));
    g_writeFd = pipe->write_.get();
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    return pipe;
}

TerminationPipe::~TerminationPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    g_writeFd = -1;
}

void TerminationPipe::Drain() {
    char buffer[64];
    while (::read(read_.get(), buffer, sizeof buffer) > 0) {
    }
}

bool TerminationPipe::Pending() const {
    pollfd readable{read_.get(), POLLIN, 0};
    return ::poll(&readable, 1, 0) > 0;
}

}  // namespace quillmere::platform
