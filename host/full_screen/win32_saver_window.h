// Tormalune_S on Win32: the hidden saver window of the full-screen run, captioned
// "Tormalune_Main" (the run's marker for every other start), with the run's timers, the renderer's
// process and the watch on the display mode it may leave behind.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "saver_sequence.h"
#include "screen_restore.h"
#include "win32_host_services.h"

namespace quillmere {

class Tormalune_S final : private SaverOps {
  public:
    explicit Tormalune_S(std::string modeLetter);
    ~Tormalune_S() override;

    // Creates the window without showing it and runs its start sequence.
    void Load();

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    // SaverOps: the run's steps on Win32.
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

    std::unique_ptr<SaverSequence> sequence_;
    HWND window_ = nullptr;
    win32::ChildProgram renderer_;
    SwitchedModeWatch mode_;
};

}  // namespace quillmere
