#include "saver_window.h"

#include <errno.h>
#include <time.h>

#include <cstdio>

#include "command_line.h"
#include "end_program.h"
#include "linux_process.h"
#include "texture_picture.h"
#include "tormalune_b.h"
#include "tormalune_bgm.h"
#include "x11_renderer_window.h"
#include "x11_window_lookup.h"

namespace quillmere {

namespace {

std::uint32_t MonotonicTickMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

// The window icon as _NET_WM_ICON data: width, height, then ARGB pixels.
std::vector<unsigned long> IconData(const QImage& icon) {
    if (icon.isNull()) {
        return {};
    }
    const QImage argb = icon.convertToFormat(QImage::Format_ARGB32);
    std::vector<unsigned long> data{static_cast<unsigned long>(argb.width()),
                                    static_cast<unsigned long>(argb.height())};
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        data.insert(data.end(), line, line + argb.width());
    }
    return data;
}

}  // namespace

Tormalune_S::Tormalune_S(const x11::X11Connection& connection, CursorDisplayCount& cursor,
                         std::string modeLetter)
    : connection_(connection), cursor_(cursor), screen_(connection) {
    for (int index = 0; index < 3; ++index) {
        Display[index] = QImage(QStringLiteral(":/assets/Tormalune%1.jpg").arg(index + 1));
    }
    const std::pair<QTimer*, SaverTimer> timers[] = {{&Timer1, SaverTimer::Timer1},
                                                     {&Timer2, SaverTimer::Timer2},
                                                     {&Timer3, SaverTimer::Timer3},
                                                     {&RendererWait, SaverTimer::RendererWait},
                                                     {&EndWatch, SaverTimer::EndWatch}};
    for (const auto& [timer, which] : timers) {
        timer->setInterval(IntervalOf(which));
        timer->setTimerType(Qt::PreciseTimer);
    }
    sequence_ = std::make_unique<SaverSequence>(
        Settings, std::move(modeLetter), static_cast<SaverOps&>(*this), ModuleMusicRoutines());
    connect(&Timer1, &QTimer::timeout, this, [this] { sequence_->Timer1_Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { sequence_->Timer2_Timer(); });
    connect(&Timer3, &QTimer::timeout, this, [this] {
        sequence_->Timer3_Timer();
        PumpWindow();
    });
    connect(&RendererWait, &QTimer::timeout, this, [this] {
        sequence_->RendererWait_Timer();
        PumpWindow();
    });
    connect(&EndWatch, &QTimer::timeout, this, [this] {
        sequence_->EndWatch_Timer();
        PumpWindow();
    });

    // A termination request (a desktop session, xss-lock, XScreenSaver) ends the whole run: the
    // renderer first, so that the display mode comes back, then music off and cursor back.
    termination_ = platform::TerminationPipe::Open();
    if (termination_) {
        terminationNotifier_ =
            std::make_unique<QSocketNotifier>(termination_->fd(), QSocketNotifier::Read);
        connect(terminationNotifier_.get(), &QSocketNotifier::activated, this, [this] {
            termination_->Drain();
            sequence_->Terminate();
            PumpWindow();
        });
    }
}

Tormalune_S::~Tormalune_S() = default;

std::string Tormalune_S::ProgramFolder() {
    return platform::ProgramFolder();
}

std::int32_t Tormalune_S::StartProgram(const std::string& path) {
    return platform::StartChild(path);
}

bool Tormalune_S::ProcessRunning(std::int32_t pid) {
    return platform::ProcessRunning(pid);
}

bool Tormalune_S::KilledBySignal(std::int32_t pid) {
    return platform::KilledBySignal(pid);
}

void Tormalune_S::TerminateProcess(std::int32_t pid) {
    platform::Terminate(pid);
}

void Tormalune_S::RecordScreen() {
    screen_.Record();
}

bool Tormalune_S::ModeLeftSwitched(std::int32_t pid) {
    return screen_.MarkedBy(pid);
}

void Tormalune_S::PutBackScreen(std::int32_t pid) {
    screen_.PutBack(pid);
}

std::uint32_t Tormalune_S::TickMs() {
    return MonotonicTickMs();
}

void Tormalune_S::SetTimerEnabled(SaverTimer timer, bool enabled) {
    if (enabled) {
        TimerOf(timer).start();
    } else {
        TimerOf(timer).stop();
    }
}

int Tormalune_S::ShowCursor() {
    return cursor_.Show();
}

void Tormalune_S::EndProgram() {
    const std::string& failure = sequence_->StartFailure();
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, failure.c_str());
    }
    quillmere::EndProgram(connection_, failure.empty() ? 0 : kExitFailure);
}

QTimer& Tormalune_S::TimerOf(SaverTimer timer) {
    switch (timer) {
        case SaverTimer::Timer1:
            return Timer1;
        case SaverTimer::Timer2:
            return Timer2;
        case SaverTimer::RendererWait:
            return RendererWait;
        case SaverTimer::EndWatch:
            return EndWatch;
        case SaverTimer::Timer3:
            break;
    }
    return Timer3;
}

void Tormalune_S::Load() {
    // The window exists from here on, titled but never mapped; a close from outside, or its
    // destruction, unloads it like the end of the run.
    window_ = x11::HiddenWindow::Create(connection_, kSaverWindowTitle,
                                        IconData(QImage(QStringLiteral(":/assets/icon.png"))));
    if (window_) {
        window_->OnClose([this] { sequence_->Form_QueryUnload(); });
        windowNotifier_ =
            std::make_unique<QSocketNotifier>(connection_.fd(), QSocketNotifier::Read);
        connect(windowNotifier_.get(), &QSocketNotifier::activated, this, [this] { PumpWindow(); });
    }
    sequence_->Form_Load();
    PumpWindow();
}

void Tormalune_S::PumpWindow() {
    if (window_) {
        window_->Pump();
    }
}

void Tormalune_S::SaveDisplayPicture(int index) {
    SaveTexturePicture(Display[index], index + 1);
}

bool Tormalune_S::RendererWindowExists() {
    _XDisplay* display = connection_.display();
    if (rendererWindow_ != 0 &&
        x11::WindowHasTitle(display, rendererWindow_, kRendererWindowTitle)) {
        return true;
    }
    rendererWindow_ = x11::FindTopLevelWindow(display, kRendererWindowTitle);
    return rendererWindow_ != 0;
}

bool Tormalune_S::CloseRenderer(std::int32_t pid) {
    closedWindow_ = x11::FindRendererWindow(connection_.display(), pid);
    if (closedWindow_ == 0) {
        return false;
    }
    x11::SendCloseMessage(connection_.display(), closedWindow_);
    return true;
}

bool Tormalune_S::RendererWindowOf(std::int32_t pid) {
    _XDisplay* display = connection_.display();
    if (closedWindow_ != 0 && x11::WindowHasTitle(display, closedWindow_, kRendererWindowTitle)) {
        return true;
    }
    closedWindow_ = x11::FindRendererWindow(display, pid);
    return closedWindow_ != 0;
}

}  // namespace quillmere
