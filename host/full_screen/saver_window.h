// Tormalune_S: the hidden saver window of the full-screen run. It is a native, never-mapped
// top-level window titled "Tormalune_Main", which marks the run for every other start of the
// host, and it carries the three texture pictures. It needs no widget toolkit: the run starts
// without one, which keeps the host's part of the start short.
#pragma once

#include <QImage>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <memory>
#include <string>

#include "cursor_display_count.h"
#include "linux_signals.h"
#include "saver_sequence.h"
#include "x11_connection.h"
#include "x11_hidden_window.h"
#include "x11_screen_setting.h"

namespace quillmere {

class Tormalune_S : public QObject, private SaverOps {
    Q_OBJECT

  public:
    Tormalune_S(const x11::X11Connection& connection, CursorDisplayCount& cursor,
                std::string modeLetter);
    ~Tormalune_S() override;

    // Creates the window without showing it and runs its start sequence.
    void Load();

  private:
    // SaverOps: the run's steps on X11, Qt's timers and Linux processes.
    void SaveDisplayPicture(int index) override;
    std::string ProgramFolder() override;
    std::int32_t StartProgram(const std::string& path) override;
    bool ProcessRunning(std::int32_t pid) override;
    bool KilledBySignal(std::int32_t pid) override;
    void TerminateProcess(std::int32_t pid) override;
    bool RendererWindowExists() override;
    bool CloseRenderer(std::int32_t pid) override;
    bool RendererWindowOf(std::int32_t pid) override;
    void RecordScreen() override;
    bool ModeLeftSwitched(std::int32_t pid) override;
    void PutBackScreen(std::int32_t pid) override;
    std::uint32_t TickMs() override;
    void SetTimerEnabled(SaverTimer timer, bool enabled) override;
    int ShowCursor() override;
    void EndProgram() override;

    QTimer& TimerOf(SaverTimer timer);
    // Events can wait in Xlib's queue after any request, where the socket notifier cannot see
    // them.
    void PumpWindow();

    const x11::X11Connection& connection_;
    CursorDisplayCount& cursor_;
    // The texture pictures, index 0 to 2.
    std::array<QImage, 3> Display;
    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;
    QTimer RendererWait;
    QTimer EndWatch;
    std::unique_ptr<SaverSequence> sequence_;
    std::unique_ptr<x11::HiddenWindow> window_;
    std::unique_ptr<QSocketNotifier> windowNotifier_;
    // The renderer window last found, checked first so the watch costs one look at one window.
    x11::WindowId rendererWindow_ = 0;
    // The window the close message went to, watched until it goes.
    x11::WindowId closedWindow_ = 0;
    x11::ScreenSettingKeeper screen_;
    std::unique_ptr<platform::TerminationPipe> termination_;
    std::unique_ptr<QSocketNotifier> terminationNotifier_;
};

}  // namespace quillmere
