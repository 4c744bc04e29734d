#include "hack_session.h"

#include <errno.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QFile>
#include <cstdio>

#include "end_program.h"
#include "linux_process.h"
#include "texture_picture.h"
#include "tormalune_bgm.h"

namespace quillmere {

HackSession::HackSession(const x11::X11Connection& connection, const HackRequest& request,
                         std::uint32_t windowId)
    : connection_(connection) {
    for (int index = 0; index < 3; ++index) {
        Display[index] = QImage(QStringLiteral(":/assets/Tormalune%1.jpg").arg(index + 1));
    }
    const std::pair<QTimer*, HackTimer> timers[] = {{&mp3Watch_, HackTimer::Mp3Watch},
                                                    {&cdWatch_, HackTimer::CdWatch},
                                                    {&endLimit_, HackTimer::EndLimit}};
    for (const auto& [timer, which] : timers) {
        timer->setInterval(IntervalOf(which));
        timer->setTimerType(Qt::PreciseTimer);
    }
    sequence_ = std::make_unique<HackSequence>(Settings, request, windowId,
                                               static_cast<HackOps&>(*this), ModuleMusicRoutines());
    connect(&mp3Watch_, &QTimer::timeout, this, [this] { sequence_->Mp3Watch_Timer(); });
    connect(&cdWatch_, &QTimer::timeout, this, [this] { sequence_->CdWatch_Timer(); });
    connect(&endLimit_, &QTimer::timeout, this, [this] { sequence_->EndLimit_Timer(); });

    connect(&renderer_, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                sequence_->RendererEnded(status == QProcess::NormalExit ? exitCode : -1);
            });
    // The daemon ends the host only; a host that is killed outright takes the renderer along.
    const pid_t host = ::getpid();
    renderer_.setChildProcessModifier([host] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != host) {
            ::_exit(0);
        }
    });
    renderer_.setProcessChannelMode(QProcess::ForwardedChannels);
    renderer_.setStandardInputFile(QProcess::nullDevice());

    termination_ = platform::TerminationPipe::Open();
    if (termination_) {
        terminationNotifier_ =
            std::make_unique<QSocketNotifier>(termination_->fd(), QSocketNotifier::Read);
        connect(terminationNotifier_.get(), &QSocketNotifier::activated, this, [this] {
            termination_->Drain();
            sequence_->Terminate();
        });
    }
}

HackSession::~HackSession() = default;

void HackSession::SaveDisplayPicture(int index) {
    SaveTexturePicture(Display[index], index + 1);
}

std::string HackSession::ProgramFolder() {
    return platform::ProgramFolder();
}

void HackSession::TerminateRenderer() {
    renderer_.terminate();
}

void HackSession::KillRenderer() {
    renderer_.kill();
}

void HackSession::SetTimerEnabled(HackTimer timer, bool enabled) {
    if (enabled) {
        TimerOf(timer).start();
    } else {
        TimerOf(timer).stop();
    }
}

void HackSession::EndProgram(int code, const std::string& failure) {
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, failure.c_str());
    }
    quillmere::EndProgram(connection_, code);
}

QTimer& HackSession::TimerOf(HackTimer timer) {
    switch (timer) {
        case HackTimer::Mp3Watch:
            return mp3Watch_;
        case HackTimer::CdWatch:
            return cdWatch_;
        case HackTimer::EndLimit:
            break;
    }
    return endLimit_;
}

bool HackSession::TakeMusic() {
    if (music_) {
        return true;
    }
    // Watching before trying: a holder that leaves in between is still seen to leave.
    if (!musicWatch_) {
        musicWatch_ = x11::SelectionWatch::Start(connection_, kMusicSelection);
        if (musicWatch_) {
            connectionNotifier_ =
                std::make_unique<QSocketNotifier>(connection_.fd(), QSocketNotifier::Read);
            connect(connectionNotifier_.get(), &QSocketNotifier::activated, this,
                    [this] { PumpConnection(); });
        }
    }
    music_ = x11::SelectionHold::Take(connection_, kMusicSelection);
    return music_ != nullptr;
}

void HackSession::PumpConnection() {
    // Taking the music makes requests, after which more events may wait in Xlib's queue.
    while (musicWatch_ && musicWatch_->Released()) {
        // Instances end together when the daemon deactivates: one whose own end is already on
        // its way does not take the music up for the moment it has left.
        if (termination_ && termination_->Pending()) {
            return;
        }
        sequence_->MusicReleased();
    }
}

bool HackSession::StartRenderer(const std::string& path, const std::vector<std::string>& args) {
    QStringList arguments;
    for (const std::string& arg : args) {
        arguments << QString::fromStdString(arg);
    }
    renderer_.start(QFile::decodeName(QByteArray::fromStdString(path)), arguments);
    return renderer_.waitForStarted(-1);
}

void HackSession::Start() {
    sequence_->Start();
    PumpConnection();
}

}  // namespace quillmere
