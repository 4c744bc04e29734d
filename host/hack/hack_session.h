// The hack mode's run on Qt's event loop: HackSequence with real timers, the renderer as a child
// process drawing in the daemon's window, the display's music selection and termination signals.
// No window of its own: the daemon owns the screen, the keyboard and the cursor.
#pragma once

#include <QImage>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

#include "hack_mode.h"
#include "linux_signals.h"
#include "x11_connection.h"
#include "x11_selection.h"

namespace quillmere {

// The selection whose owner plays the music for the whole display: for all its screens and
// monitors, which share one sound output.
inline constexpr char kMusicSelection[] = "_QUILLMERE_MUSIC";

class HackSession : public QObject, private HackOps {
    Q_OBJECT

  public:
    HackSession(const x11::X11Connection& connection, const HackRequest& request,
                std::uint32_t windowId);
    ~HackSession() override;

    void Start();

  private:
    // HackOps: the run's steps on X11, Qt's timers and a QProcess.
    void SaveDisplayPicture(int index) override;
    bool TakeMusic() override;
    std::string ProgramFolder() override;
    bool StartRenderer(const std::string& path, const std::vector<std::string>& args) override;
    void TerminateRenderer() override;
    void KillRenderer() override;
    void SetTimerEnabled(HackTimer timer, bool enabled) override;
    void EndProgram(int code, const std::string& failure) override;

    void PumpConnection();
    QTimer& TimerOf(HackTimer timer);

    const x11::X11Connection& connection_;
    std::array<QImage, 3> Display;
    QTimer mp3Watch_;
    QTimer cdWatch_;
    QTimer endLimit_;
    QProcess renderer_;
    std::unique_ptr<HackSequence> sequence_;
    std::unique_ptr<x11::SelectionHold> music_;
    std::unique_ptr<x11::SelectionWatch> musicWatch_;
    std::unique_ptr<QSocketNotifier> connectionNotifier_;
    std::unique_ptr<platform::TerminationPipe> termination_;
    std::unique_ptr<QSocketNotifier> terminationNotifier_;
};

}  // namespace quillmere
